#include "samplegroups.h"

#include <QRandomGenerator>

#include <cmath>

namespace {

enum Device { D = 1, DC, DL, D15, C1, G, E };
enum Scale { HL = 0, HRB, HRC, HB, HV, HS, NoScale, STR };
enum Direction { Down = 0, Decline, Deg90, Deg135, Deg150 };

struct Sample
{
    int month, day, hour, minute;
    int tableSet;
    int device, scale, material, direction;
    int centre; // HL the impacts scatter around
    int count;
    double scatter; // largest deviation of an impact from the centre, as a fraction
};

// Hardness groups on materials 0 to 8, then strength groups on materials 0 to 8, then the odd ones.
const Sample samples[] = {
    {3, 7, 9, 5, 0, D, HRC, 0, Down, 700, 5, 0.02},      {3, 7, 9, 12, 0, D, HRC, 1, Down, 780, 10, 0.015},
    {3, 9, 14, 40, 0, D, HB, 2, Decline, 430, 5, 0.04},  {4, 2, 8, 3, 1, D, HB, 3, Down, 480, 6, 0.03},
    {4, 2, 8, 21, 0, D, HB, 4, Deg90, 510, 5, 0.03},     {4, 15, 11, 0, 0, D, HV, 5, Down, 560, 5, 0.02},
    {5, 1, 16, 45, 1, D, HB, 6, Deg135, 420, 5, 0.03},   {5, 1, 17, 2, 0, D, HB, 7, Down, 440, 5, 0.03},
    {5, 20, 10, 30, 0, D, HB, 8, Deg150, 380, 5, 0.04},  {6, 3, 9, 15, 0, D, STR, 0, Down, 520, 5, 0.02},
    {6, 3, 9, 18, 1, D, STR, 1, Down, 560, 5, 0.02},     {6, 3, 9, 25, 0, D, STR, 2, Down, 540, 5, 0.02},
    {6, 11, 13, 50, 0, D, STR, 3, Down, 580, 5, 0.02},   {6, 11, 14, 5, 1, D, STR, 4, Down, 600, 5, 0.02},
    {7, 8, 15, 33, 0, D, STR, 5, Decline, 620, 5, 0.02}, {7, 8, 15, 41, 0, D, STR, 6, Down, 640, 5, 0.02},
    {7, 22, 8, 10, 1, D, STR, 7, Down, 660, 5, 0.02},    {8, 14, 10, 59, 0, D, STR, 8, Down, 590, 5, 0.02},
    {9, 4, 12, 0, 0, DC, HRB, 0, Down, 500, 5, 0.03},    {9, 4, 12, 7, 1, DL, HS, 0, Down, 800, 5, 0.015},
    {9, 18, 7, 30, 0, D15, HRC, 0, Deg90, 720, 5, 0.02}, {10, 5, 9, 45, 1, C1, HV, 0, Down, 830, 5, 0.015},
    {10, 5, 10, 1, 0, G, HB, 0, Down, 560, 3, 0.03},     {10, 27, 15, 20, 0, E, HRC, 0, Down, 760, 5, 0.02},
    {11, 9, 11, 11, 0, D, HL, 0, Down, 300, 5, 0.03},    {11, 9, 11, 14, 0, D, HRC, 0, Down, 890, 5, 0.01},
    {12, 1, 0, 0, 1, D, HL, 0, Down, 640, 1, 0.0},       {12, 28, 23, 59, 0, D, NoScale, 0, Down, 600, 32, 0.03},
};

GroupRecord makeGroup(const Sample &s, QRandomGenerator &random)
{
    GroupRecord g;
    g.month = quint8(s.month);
    g.day = quint8(s.day);
    g.hour = quint8(s.hour);
    g.minute = quint8(s.minute);
    g.tableSet = quint8(s.tableSet);
    g.device = quint8(s.device);
    g.scale = quint8(s.scale);
    g.material = quint8(s.material);
    g.direction = quint8(s.direction);
    g.impactCount = quint8(s.count);

    // Deviations with their mean taken out keep the group value on the centre whatever the draw; scaling them back
    // into the scatter keeps that mean at zero.
    const double limit = s.scatter * s.centre;
    double deviations[groups::MaxImpacts] = {};
    double sum = 0;
    for (int i = 0; i < s.count; ++i) {
        deviations[i] = (random.generateDouble() * 2 - 1) * limit;
        sum += deviations[i];
    }
    double largest = 0;
    for (int i = 0; i < s.count; ++i) {
        deviations[i] -= sum / s.count;
        largest = qMax(largest, std::abs(deviations[i]));
    }
    const double scale = largest > limit ? limit / largest : 1.0;
    int total = 0;
    for (int i = 0; i < s.count; ++i) {
        g.impacts[i] = quint16(std::lround(s.centre + deviations[i] * scale));
        total += g.impacts[i];
    }
    g.groupValue = quint16(std::lround(double(total) / s.count));
    return g;
}

} // namespace

QList<GroupRecord> sampleGroups()
{
    QRandomGenerator random(20240307);
    QList<GroupRecord> result;
    for (const Sample &s : samples)
        result.append(makeGroup(s, random));
    return result;
}
