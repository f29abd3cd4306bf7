#pragma once

#include "verification.h"

#include <QCoreApplication>
#include <QList>
#include <QRectF>
#include <QString>

class QPainter;

// The verification log of one block on A4 portrait pages: page 1 the block's data and its control chart (painted from
// the same values as the window's chart, so that the command-line tool needs no window), then the table of checks
// with their results and in-control marks, continued on as many pages as the checks need.
class VerificationReport
{
    Q_DECLARE_TR_FUNCTIONS(VerificationReport)

public:
    static int pageCount(int checkCount);
    // The painter's origin must be the page's top-left corner; the page scales to the rectangle's width.
    static void paintPage(QPainter *painter, QRectF pageRect, const ReferenceBlock &block,
                          const QList<VerificationCheck> &checks, int page);
};

// All pages into one PDF, made in memory and written by saveFile. False with *error saying why.
bool saveVerificationPdf(const QString &fileName, const ReferenceBlock &block, const QList<VerificationCheck> &checks,
                         QString *error);
