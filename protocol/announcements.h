#pragma once

#include "cuesink.h"
#include "runengine.h"

#include <QString>

#include <functional>

namespace Protocol {

// What is said when, worked out from the engine's timeline. Phrases sit in the gaps between
// the sounds and are never moved: one that does not fit where it belongs is shortened or left
// out, never played late.
namespace Announcements {

// Silence kept after a cue before a phrase starts, and before the next cue after it ends.
constexpr qint64 AfterSoundMs = 250;
constexpr qint64 BeforeCueMs = 1000;

// How long a phrase sounds, -1 while unknown.
using PhraseLength = std::function<qint64(const QString &text)>;

// A number as it is said ("catorce"); the first letter capitalised on request.
QString numberWords(int number, bool capital = false);
// "14,5" as "catorce coma cinco kilómetros por hora".
QString speedWords(const QString &speedText);

// The phrase of a gap and its shortened form (empty when it has none).
struct Phrase
{
    QString full;
    QString shortened;
};
Phrase phraseFor(const SpeechGap &gap, SportVariant variant);

// The phrases of the gaps, each where it fits whole: after the opening cue (cueMs long), before
// the alert, and at least BeforeCueMs before the closing cue. Only phrases due at or after
// fromMs are returned.
SoundPlan plan(const QVector<SpeechGap> &gaps, SportVariant variant, const PhraseLength &length,
               qint64 cueMs, qint64 fromMs);

// The stop confirmation of a slot ("Tres, fuera" or "Tres, vuelve").
QString stopConfirmation(int slot, bool back);
// Where a phrase of lengthMs fits whole in the first gap of the sounds at or after fromMs: clear
// of every sound, and at least BeforeCueMs before the next cue, which must be known. -1 when no
// gap of the sounds fits it.
qint64 firstFit(const SoundPlan &sounds, qint64 lengthMs, qint64 fromMs, const PhraseLength &length,
                qint64 cueMs, qint64 alertMs);

} // namespace Announcements
} // namespace Protocol
