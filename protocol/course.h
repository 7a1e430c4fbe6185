#pragma once

#include "sportprofile.h"

#include <QPoint>
#include <QSize>
#include <QVector>

namespace Protocol {

// The course plan of each sport: where its stations stand on the course panel, which of its
// pictures is on top in each situation and which station the marker shows after each beep.
// The window's markers and the picture generator both read the station table from here.

constexpr int CoursePanelWidth = 332;
constexpr int CoursePanelHeight = 489;

struct Station
{
    QPoint topLeft;
    QSize size;
};

Course courseOf(SportVariant variant);
// Name of a course's pictures and texts in the resources: futbol, basket, futsal, voley.
QString courseResourceStem(SportVariant variant);

// Stations 1..L of the sport in forward running order (station 1 is the start).
const QVector<Station> &courseStations(SportVariant variant);

// Number of course pictures a sport has (volleyball runs forward only and has three).
int coursePictureCount(SportVariant variant);

// The face of the rest marker, RGB.
quint32 restMarkerRgb(SportVariant variant);

enum class CourseSituation {
    Reset,       // ready for a new test
    Start,       // start command
    PauseBegins, // a pause begins
    PauseEnds,   // a pause ends and an effort period starts
};

// Picture (1-based) on top for a situation. completedPeriods is the count shown when the
// situation arises; warmUpPending is whether the pause that begins follows the warm-up.
int coursePicture(SportVariant variant, CourseSituation situation, int completedPeriods,
                  bool warmUpPending);

// Whether the rest marker shows in that situation.
bool restMarkerVisible(CourseSituation situation);

// Station index (0-based) the marker shows after a beep: forward on even completed counts,
// backward on odd ones, always forward in volleyball.
int markerStationIndex(SportVariant variant, int stationsPerLap, int beepCount,
                       int completedPeriods);

} // namespace Protocol
