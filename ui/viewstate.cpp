#include "viewstate.h"

#include <QCoreApplication>

namespace {

// The texts' context in the catalogues.
struct ViewState
{
    Q_DECLARE_TR_FUNCTIONS(ViewState)
};

QString localTime(const QDateTime &utc)
{
    return utc.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

QString shownDataText(const ShownData &shown, const AttemptState &attempt)
{
    const QString time = localTime(shown.receivedUtc);
    if (shown.origin == ShownData::Nothing)
        return attempt.failed ? ViewState::tr("获取失败，没有可显示的数据") : QString();
    if (attempt.failed && attempt.linkUp)
        return ViewState::tr("获取失败，显示的是 %1 的数据").arg(time);
    if (shown.origin == ShownData::Archived)
        return ViewState::tr("存档数据 %1").arg(time);
    return ViewState::tr("%1 从 %2 获取").arg(time, shown.port);
}

QString deleteAllRefusal(const ShownData &shown, const AttemptState &attempt)
{
    if (!attempt.linkUp)
        return ViewState::tr("未连接仪器");
    if (attempt.pending)
        return ViewState::tr("正在获取数据：获取并存档之后才能删除");
    if (attempt.failed)
        return ViewState::tr("最近一次获取失败：仪器上的数据未被读取，不能删除");
    if (attempt.deleted)
        return ViewState::tr("仪器上的数据已删除：请先重新获取");
    if (shown.origin == ShownData::Archived)
        return ViewState::tr("表中是存档数据，不是本次连接获取的数据：请先重新获取");
    if (shown.origin != ShownData::Live || shown.connection != attempt.connection)
        return ViewState::tr("本次连接尚未获取数据：请先重新获取");
    if (shown.archiving)
        return ViewState::tr("正在存档：存档完成之后才能删除");
    if (!shown.archived)
        return ViewState::tr("获取的数据未存档：删除会使其丢失");
    return QString();
}

QString deleteAllTip(const ShownData &shown)
{
    return ViewState::tr("删除仪器上所有的数据（%1 获取的 %n 组数据已存档）", nullptr, shown.groupCount)
        .arg(localTime(shown.receivedUtc));
}

QString deleteAllQuestion(const ShownData &shown)
{
    return ViewState::tr("这将删除仪器上所有的数据（%1 获取并已存档的 %n 组数据），请问是否继续？", nullptr,
                         shown.groupCount)
        .arg(localTime(shown.receivedUtc));
}

FittedSize fitToScreen(const QSize &wanted, const QSize &minimum, const QSize &available, const QMargins &frame)
{
    // The room left for the window's own area once its frame is drawn around it.
    const QSize room(qMax(1, available.width() - frame.left() - frame.right()),
                     qMax(1, available.height() - frame.top() - frame.bottom()));
    const QSize minimumFitted = minimum.boundedTo(room);
    return {wanted.boundedTo(room).expandedTo(minimumFitted), minimumFitted};
}
