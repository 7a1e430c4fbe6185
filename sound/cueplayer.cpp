#include "cueplayer.h"

#include "clock.h"
#include "pipewirebackend.h"
#include "pulsebackend.h"
#include "speech.h"
#include "wavefile.h"

#include <QFile>
#include <QMetaObject>

#include <time.h>

#include <algorithm>
#include <cmath>

using namespace Protocol;

namespace {

QByteArray readResource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

std::unique_ptr<CueSchedule> CueSound::makeSchedule(int rate)
{
    return std::make_unique<CueSchedule>(
        rate, WaveFile::decode(readResource(QStringLiteral(":/sounds/sonido.wav")), rate),
        WaveFile::decode(readResource(QStringLiteral(":/sounds/aviso.wav")), rate));
}

double CueSound::engineMs(const Clock &clock, qint64 monotonicNs)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const qint64 nowNs = qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
    return double(clock.nowNs() - (nowNs - monotonicNs)) / 1e6;
}

CuePlayer::CuePlayer(const Clock &clock, QObject *parent)
    : CueSink(parent), m_clock(clock), m_speech(std::make_unique<Speech>())
{
    // Lengths are what the phrase plan needs; any rate tells them.
    constexpr int Rate = 48000;
    m_cueMs = WaveFile::decode(readResource(QStringLiteral(":/sounds/sonido.wav")), Rate).size() *
              1000 / Rate;
    m_alertMs = WaveFile::decode(readResource(QStringLiteral(":/sounds/aviso.wav")), Rate).size() *
                1000 / Rate;
    connect(m_speech.get(), &Speech::ready, this, &CueSink::phrasesReady);
}

CuePlayer::~CuePlayer()
{
    close();
}

CueBackend::Post CuePlayer::poster()
{
    return [this](State state) {
        QMetaObject::invokeMethod(
            this, [this, state] { setState(state); }, Qt::QueuedConnection);
    };
}

bool CuePlayer::open()
{
    if (isOpen())
        return true;
    close();
    auto pulse = std::make_unique<PulseBackend>(m_clock, poster());
    if (!pulse->open())
        return false;
    d = std::move(pulse);
    // On PipeWire its own stream: its timing is exact per block, the device's delay included,
    // where its PulseAudio service reports up to a block late. ZENTA_SOUND_API=pulse keeps the
    // PulseAudio one, which also plays when PipeWire's own cannot open.
    const auto *probe = static_cast<PulseBackend *>(d.get());
    if (probe->onPipeWire() && qgetenv("ZENTA_SOUND_API") != "pulse") {
        auto native =
            std::make_unique<PipeWireBackend>(m_clock, poster(), probe->rate(), probe->device());
        if (native->open()) {
            d->close();
            d = std::move(native);
        }
    }
    m_available = true;
    setState(State::Active);
    return true;
}

void CuePlayer::close()
{
    if (d)
        d->close();
    d.reset();
}

bool CuePlayer::isOpen() const
{
    return d && d->isOpen();
}

bool CuePlayer::available() const
{
    return m_available;
}

CueSink::State CuePlayer::state() const
{
    return m_state;
}

void CuePlayer::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}

QString CuePlayer::outputName() const
{
    return d ? d->device() : QString();
}

qint64 CuePlayer::leadMs() const
{
    return LeadMs + qint64(std::ceil(std::max(0.0, outputLatencyMs())));
}

double CuePlayer::outputLatencyMs() const
{
    const Stats s = stats();
    return s.clockKnown ? s.sinkMs : -1;
}

void CuePlayer::plan(const SoundPlan &sounds)
{
    if (!d)
        return;
    // Phrases are resampled here, not while the stream waits.
    QVector<std::pair<QString, QVector<float>>> phrases;
    const int rate = d->stats().rate;
    if (rate != m_resampledRate) {
        m_resampled.clear();
        m_resampledRate = rate;
    }
    for (const PlannedSound &p : sounds) {
        if (!p.spoken())
            continue;
        if (!m_resampled.contains(p.phrase)) {
            const Speech::Samples made = m_speech->phrase(p.phrase);
            if (!made)
                continue;
            m_resampled.insert(p.phrase, Speech::resample(*made, m_speech->rate(), rate));
        }
        phrases.append({p.phrase, m_resampled.value(p.phrase)});
    }
    d->reschedule([&sounds, &phrases](CueSchedule &s, qint64 keepBefore) {
        for (const auto &[text, samples] : std::as_const(phrases)) {
            if (!s.hasPhrase(text))
                s.setPhrase(text, samples);
        }
        return s.setPlan(sounds, keepBefore);
    });
}

QString CuePlayer::speechProblem() const
{
    return m_speech->problem();
}

qint64 CuePlayer::phraseMs(const QString &text)
{
    const Speech::Samples made = m_speech->phrase(text);
    return made ? qint64(made->size()) * 1000 / m_speech->rate() : -1;
}

qint64 CuePlayer::soundMs(bool alert) const
{
    return alert ? m_alertMs : m_cueMs;
}

void CuePlayer::silence()
{
    if (!d)
        return;
    d->reschedule([](CueSchedule &s, qint64) { return s.clear(); });
    // A test that ends leaves the sound layer as it was found.
    if (m_state == State::Recovered)
        setState(State::Active);
}

void CuePlayer::prepare()
{
    if (d)
        d->setStreaming(true);
}

void CuePlayer::rest()
{
    if (d)
        d->setStreaming(false);
}

void CuePlayer::playCue(qint64 dueMs)
{
    if (d)
        d->reschedule([dueMs](CueSchedule &s, qint64) { return s.report({dueMs, false}); });
}

void CuePlayer::playAlert(qint64 dueMs)
{
    if (d)
        d->reschedule([dueMs](CueSchedule &s, qint64) { return s.report({dueMs, true}); });
}

CuePlayer::Stats CuePlayer::stats() const
{
    return d ? d->stats() : Stats();
}

bool CuePlayer::settled() const
{
    const Stats s = stats();
    return s.clockKnown && s.sinkMs < PulseBackend::AheadMs;
}
