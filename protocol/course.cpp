#include "course.h"

namespace Protocol {

namespace {

QVector<Station> stations(std::initializer_list<QPoint> corners, QSize size)
{
    QVector<Station> result;
    result.reserve(int(corners.size()));
    for (const QPoint &corner : corners)
        result.append({corner, size});
    return result;
}

// What differs between the courses: their resources' name, how many pictures they have, and
// whether the athletes ever run the lap backwards.
struct CourseFacts
{
    const char *stem;
    int pictures;
    bool forwardOnly;
    quint32 restMarkerRgb; // the marker of the station where the pause is spent
};

const CourseFacts &courseFacts(SportVariant variant)
{
    static const CourseFacts facts[] = {{"futbol", 5, false, 0x008000},
                                        {"basket", 5, false, 0x000000},
                                        {"futsal", 5, false, 0x000000},
                                        {"voley", 3, true, 0x000000}};
    return facts[int(courseOf(variant))];
}

} // namespace

Course courseOf(SportVariant variant)
{
    return sportProfile(variant).course;
}

QString courseResourceStem(SportVariant variant)
{
    return QString::fromLatin1(courseFacts(variant).stem);
}

const QVector<Station> &courseStations(SportVariant variant)
{
    static const QVector<Station> football = stations({{249, 240},
                                                       {207, 168},
                                                       {248, 98},
                                                       {207, 26},
                                                       {126, 27},
                                                       {85, 98},
                                                       {125, 169},
                                                       {85, 240},
                                                       {125, 310},
                                                       {85, 381},
                                                       {125, 452},
                                                       {207, 453},
                                                       {248, 382},
                                                       {207, 311}},
                                                      {9, 9});
    static const QVector<Station> basket = stations({{264, 236},
                                                     {264, 117},
                                                     {190, 38},
                                                     {158, 117},
                                                     {125, 38},
                                                     {53, 117},
                                                     {53, 236},
                                                     {53, 356},
                                                     {126, 435},
                                                     {158, 356},
                                                     {189, 435},
                                                     {264, 356}},
                                                    {14, 14});
    static const QVector<Station> futsal = stations({{275, 238},
                                                     {207, 193},
                                                     {274, 147},
                                                     {206, 87},
                                                     {114, 87},
                                                     {48, 147},
                                                     {114, 191},
                                                     {48, 238},
                                                     {114, 281},
                                                     {48, 329},
                                                     {114, 391},
                                                     {206, 391},
                                                     {274, 330},
                                                     {207, 282}},
                                                    {12, 12});
    static const QVector<Station> voley = stations({{264, 448},
                                                    {264, 310},
                                                    {206, 239},
                                                    {264, 167},
                                                    {264, 28},
                                                    {134, 63},
                                                    {53, 28},
                                                    {53, 167},
                                                    {111, 239},
                                                    {53, 310},
                                                    {53, 448},
                                                    {184, 414}},
                                                   {12, 12});
    static const QVector<Station> *const courses[] = {&football, &basket, &futsal, &voley};
    return *courses[int(courseOf(variant))];
}

int coursePictureCount(SportVariant variant)
{
    return courseFacts(variant).pictures;
}

quint32 restMarkerRgb(SportVariant variant)
{
    return courseFacts(variant).restMarkerRgb;
}

int coursePicture(SportVariant variant, CourseSituation situation, int completedPeriods,
                  bool warmUpPending)
{
    const bool odd = completedPeriods % 2 != 0;
    const bool forwardOnly = courseFacts(variant).forwardOnly;
    switch (situation) {
    case CourseSituation::Reset:
        return 1;
    case CourseSituation::Start:
        return 2;
    case CourseSituation::PauseBegins:
        if (warmUpPending)
            return 1;
        return odd || forwardOnly ? 3 : 5;
    case CourseSituation::PauseEnds:
        return odd && !forwardOnly ? 4 : 2;
    }
    return 1;
}

bool restMarkerVisible(CourseSituation situation)
{
    return situation == CourseSituation::Reset || situation == CourseSituation::PauseBegins;
}

int markerStationIndex(SportVariant variant, int stationsPerLap, int beepCount,
                       int completedPeriods)
{
    if (stationsPerLap <= 0)
        return 0;
    const int m = beepCount % stationsPerLap;
    if (courseFacts(variant).forwardOnly || completedPeriods % 2 == 0 || m == 0)
        return m;
    return stationsPerLap - m;
}

} // namespace Protocol
