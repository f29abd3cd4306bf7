#include "verdictcolours.h"

VerdictColours verdictColours(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Pass:
        return {QColor(0xd4, 0xed, 0xda), QColor(0x15, 0x57, 0x24)};
    case Verdict::Low:
    case Verdict::High:
        return {QColor(0xf8, 0xd7, 0xda), QColor(0x8a, 0x1c, 0x14)};
    case Verdict::NotJudged:
        return {QColor(0xff, 0xf3, 0xcd), QColor(0x6b, 0x4e, 0x00)};
    case Verdict::None:
        break;
    }
    return {};
}
