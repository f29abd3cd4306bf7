<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>HistoryDialog</name>
    <message>
        <source>下载时间</source>
        <translation>Downloaded</translation>
    </message>
    <message>
        <source>工作站</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>组数</source>
        <translation>Groups</translation>
    </message>
    <message>
        <source>历史记录</source>
        <translation>History</translation>
    </message>
    <message>
        <source>不限</source>
        <translation>Any</translation>
    </message>
    <message>
        <source>材料、测量类型或冲击装置</source>
        <translation>Material, scale or impact device</translation>
    </message>
    <message>
        <source>从</source>
        <translation>From</translation>
    </message>
    <message>
        <source>至</source>
        <translation>To</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>无法读取存档</source>
        <translation>Cannot read the archive</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>LineChart</name>
    <message>
        <source>%1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>MainWindow</source>
        <translation>Hardness tester</translation>
    </message>
    <message>
        <source>HL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HRB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HRC</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STR</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>样本数</source>
        <translation>Samp.number</translation>
    </message>
    <message>
        <source>重新获取</source>
        <translation>Reacquire</translation>
    </message>
    <message>
        <source>删除所有</source>
        <translation>Delete all</translation>
    </message>
    <message>
        <source>打印</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>导出Excel</source>
        <translation>Export Excel</translation>
    </message>
    <message>
        <source>中英切换</source>
        <translation>chinese-english switch</translation>
    </message>
    <message>
        <source>测值</source>
        <translation>Meas.value</translation>
    </message>
    <message>
        <source>测量类型</source>
        <translation>Meas.type</translation>
    </message>
    <message>
        <source>连接成功</source>
        <translation>Connection succeeded</translation>
    </message>
    <message>
        <source>连接断开</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>数据删除完成</source>
        <translation>Data Deletion completed</translation>
    </message>
    <message>
        <source>暂无数据</source>
        <translation>No data</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>获取数据</source>
        <translation>Get data</translation>
    </message>
    <message>
        <source>保存Excel</source>
        <translation>Save to Excel  </translation>
    </message>
    <message>
        <source>测试数据</source>
        <translation>Test data</translation>
    </message>
    <message>
        <source>*.xlsx</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存成功</source>
        <translation>Save successfully</translation>
    </message>
    <message>
        <source>保存失败</source>
        <translation>Save failed</translation>
    </message>
    <message>
        <source>已连接 %1</source>
        <translation>Connected to %1</translation>
    </message>
    <message>
        <source>无权打开 %1：用户须属于拥有该设备的用户组 %2</source>
        <translation>No permission to open %1: the user must be in the group that owns the device, %2</translation>
    </message>
    <message>
        <source>无权打开 %1</source>
        <translation>No permission to open %1</translation>
    </message>
    <message>
        <source>%1 已被其他程序占用</source>
        <translation>%1 is in use by another program</translation>
    </message>
    <message>
        <source>%1 不存在</source>
        <translation>%1 does not exist</translation>
    </message>
    <message>
        <source>无法打开 %1</source>
        <translation>Cannot open %1</translation>
    </message>
    <message>
        <source>没有任何串口</source>
        <translation>There is no serial port at all</translation>
    </message>
    <message>
        <source>没有仪器应答</source>
        <translation>No instrument answers</translation>
    </message>
    <message>
        <source>%1 上没有仪器应答</source>
        <translation>No instrument answers on %1</translation>
    </message>
    <message>
        <source>正在查找仪器…</source>
        <translation>Searching for the instrument…</translation>
    </message>
    <message numerus="yes">
        <source>空位之后还有 %n 组数据未读取</source>
        <translation>
            <numerusform>%n group after an empty slot was not read</numerusform>
            <numerusform>%n groups after an empty slot were not read</numerusform>
        </translation>
    </message>
    <message>
        <source>数据校验失败</source>
        <translation>Data check failed</translation>
    </message>
    <message>
        <source>历史记录</source>
        <translation>History</translation>
    </message>
    <message>
        <source>存档未通过完整性检查，已移至 %1，新的存档已建立</source>
        <translation>The archive failed its integrity check: it was moved to %1 and a new one started</translation>
    </message>
    <message>
        <source>存档失败</source>
        <translation>Archiving failed</translation>
    </message>
    <message>
        <source>无法读取存档</source>
        <translation>Cannot read the archive</translation>
    </message>
    <message>
        <source>没有可用的存档</source>
        <translation>No archive available</translation>
    </message>
    <message>
        <source>仪器中没有数据</source>
        <translation>No data on the instrument</translation>
    </message>
    <message>
        <source>未存档</source>
        <translation>Not archived</translation>
    </message>
    <message>
        <source>最小值 (HL)</source>
        <translation>Minimum (HL)</translation>
    </message>
    <message>
        <source>最大值 (HL)</source>
        <translation>Maximum (HL)</translation>
    </message>
    <message>
        <source>平均值 (HL)</source>
        <translation>Average (HL)</translation>
    </message>
</context>
<context>
    <name>PaintBase</name>
    <message>
        <source>批次: </source>
        <translation>Batch:</translation>
    </message>
    <message>
        <source>备注: </source>
        <translation>remarks:</translation>
    </message>
    <message>
        <source>测量日期</source>
        <translation>Meas.date</translation>
    </message>
    <message>
        <source>冲击装置</source>
        <translation>Impact.device</translation>
    </message>
    <message>
        <source>冲击方向</source>
        <translation>Impact.dir</translation>
    </message>
    <message>
        <source>测量类型</source>
        <translation>Meas.type</translation>
    </message>
    <message>
        <source>材料</source>
        <translation>Materials</translation>
    </message>
    <message>
        <source>测量数据</source>
        <translation>Measured data</translation>
    </message>
    <message>
        <source>检验员: </source>
        <translation>Inspector:</translation>
    </message>
</context>
<context>
    <name>Print</name>
    <message>
        <source>打印预览</source>
        <translation>Print preview</translation>
    </message>
    <message>
        <source>公司名称</source>
        <translation>Company</translation>
    </message>
    <message>
        <source>批次</source>
        <translation>Batch</translation>
    </message>
    <message>
        <source>备注</source>
        <translation>Remarks</translation>
    </message>
    <message>
        <source>导出为PDF</source>
        <translation>Export to PDF</translation>
    </message>
    <message>
        <source>打印</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open file</translation>
    </message>
    <message>
        <source>选择文件</source>
        <translation>Select file</translation>
    </message>
    <message>
        <source>测量报告</source>
        <translation>Meas.report</translation>
    </message>
    <message>
        <source>保存成功</source>
        <translation>Save successfully</translation>
    </message>
    <message>
        <source>保存失败</source>
        <translation>Save failed</translation>
    </message>
    <message>
        <source>打印设置</source>
        <translation>Print settings</translation>
    </message>
    <message>
        <source>开始打印</source>
        <translation>Start printing</translation>
    </message>
    <message>
        <source>指定打印机</source>
        <translation>Specify printer</translation>
    </message>
    <message>
        <source>指定纸张</source>
        <translation>Specify paper</translation>
    </message>
    <message>
        <source>没有可用的打印机</source>
        <translation>No printer available</translation>
    </message>
    <message>
        <source>打印完成</source>
        <translation>Print finished</translation>
    </message>
    <message>
        <source>打印失败</source>
        <translation>Print failed</translation>
    </message>
    <message>
        <source>无法读取图片</source>
        <translation>Cannot read the image</translation>
    </message>
    <message>
        <source>检验员</source>
        <translation>Inspector</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>向下</source>
        <translation>Downward</translation>
    </message>
    <message>
        <source>斜下</source>
        <translation>Decline</translation>
    </message>
    <message>
        <source>钢和铸钢</source>
        <translation>Steel and Cast Steel</translation>
    </message>
    <message>
        <source>合金工具钢</source>
        <translation>Cold Work Tool Steel</translation>
    </message>
    <message>
        <source>铸铝合金</source>
        <translation>Cast Aluminium Alloys</translation>
    </message>
    <message>
        <source>灰铸铁</source>
        <translation>Gray Cast Iron</translation>
    </message>
    <message>
        <source>球墨铸铁</source>
        <translation>Nodular Cast Iron</translation>
    </message>
    <message>
        <source>不锈钢</source>
        <translation>Stainless Steel</translation>
    </message>
    <message>
        <source>铜锌合金</source>
        <translation>Copper-Zinc Alloys</translation>
    </message>
    <message>
        <source>铜锡合金</source>
        <translation>Cu-Al Alloys</translation>
    </message>
    <message>
        <source>纯铜</source>
        <translation>Wrought Copper</translation>
    </message>
    <message>
        <source>碳钢</source>
        <translation>C Steel</translation>
    </message>
    <message>
        <source>铬钢</source>
        <translation>Cr Steel</translation>
    </message>
    <message>
        <source>铬钒钢</source>
        <translation>Cr-V Steel</translation>
    </message>
    <message>
        <source>铬镍钢</source>
        <translation>Cr-Ni Steel</translation>
    </message>
    <message>
        <source>铬钼钢</source>
        <translation>Cr-Mo Steel</translation>
    </message>
    <message>
        <source>铬镍钼钢</source>
        <translation>Cr-Ni-Mo Steel</translation>
    </message>
    <message>
        <source>铬锰硅钢</source>
        <translation>Cr-Mn-Si Steel</translation>
    </message>
    <message>
        <source>超高强度钢</source>
        <translation>Super Strength Steel</translation>
    </message>
    <message>
        <source>无法计算</source>
        <translation>Cannot be calculated</translation>
    </message>
    <message>
        <source>测值过大</source>
        <translation>High</translation>
    </message>
    <message>
        <source>测值过小</source>
        <translation>Low</translation>
    </message>
    <message>
        <source>里氏硬度计测量报告</source>
        <translation>Leeb Hardness tester measurement report</translation>
    </message>
    <message>
        <source>LO: 测值过小</source>
        <translation>LO:low</translation>
    </message>
    <message>
        <source>HI: 测值过大</source>
        <translation>HI:high</translation>
    </message>
    <message>
        <source>---: 无法计算</source>
        <translation>---: Cannot be calculated</translation>
    </message>
    <message>
        <source>测量日期</source>
        <translation>Meas.date</translation>
    </message>
    <message>
        <source>冲击装置</source>
        <translation>Impact device</translation>
    </message>
    <message>
        <source>冲击方向</source>
        <translation>Impact direction</translation>
    </message>
    <message>
        <source>测量类型</source>
        <translation>Meas.type</translation>
    </message>
    <message>
        <source>材料</source>
        <translation>Materials</translation>
    </message>
    <message>
        <source>测量次数</source>
        <translation>Meas.times</translation>
    </message>
    <message>
        <source>测量数值</source>
        <translation>Meas.value</translation>
    </message>
    <message>
        <source>无法写入设置文件</source>
        <translation>Cannot write the settings file</translation>
    </message>
    <message>
        <source>程序已在运行</source>
        <translation>The program is already running</translation>
    </message>
    <message>
        <source>日期无效</source>
        <translation>invalid date</translation>
    </message>
</context>
<context>
    <name>ViewState</name>
    <message>
        <source>获取失败，没有可显示的数据</source>
        <translation>Download failed; no data to show</translation>
    </message>
    <message>
        <source>获取失败，显示的是 %1 的数据</source>
        <translation>Download failed; showing data of %1</translation>
    </message>
    <message>
        <source>存档数据 %1</source>
        <translation>Archived download of %1</translation>
    </message>
    <message>
        <source>%1 从 %2 获取</source>
        <translation>Downloaded at %1 from %2</translation>
    </message>
    <message>
        <source>未连接仪器</source>
        <translation>No instrument connected</translation>
    </message>
    <message>
        <source>正在获取数据：获取并存档之后才能删除</source>
        <translation>A download is under way: deleting is possible once it is archived</translation>
    </message>
    <message>
        <source>最近一次获取失败：仪器上的数据未被读取，不能删除</source>
        <translation>The latest download failed: the instrument&apos;s data were not read and cannot be deleted</translation>
    </message>
    <message>
        <source>仪器上的数据已删除：请先重新获取</source>
        <translation>The instrument&apos;s data were deleted: download again first</translation>
    </message>
    <message>
        <source>表中是存档数据，不是本次连接获取的数据：请先重新获取</source>
        <translation>The table shows an archived download, not one of this connection: download again first</translation>
    </message>
    <message>
        <source>本次连接尚未获取数据：请先重新获取</source>
        <translation>Nothing was downloaded on this connection yet: download again first</translation>
    </message>
    <message>
        <source>获取的数据未存档：删除会使其丢失</source>
        <translation>The download was not archived: deleting would lose it</translation>
    </message>
    <message numerus="yes">
        <source>删除仪器上所有的数据（%1 获取的 %n 组数据已存档）</source>
        <translation>
            <numerusform>Delete all data on the instrument (the %n group downloaded at %1 is archived)</numerusform>
            <numerusform>Delete all data on the instrument (the %n groups downloaded at %1 are archived)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>这将删除仪器上所有的数据（%1 获取并已存档的 %n 组数据），请问是否继续？</source>
        <translation>
            <numerusform>This will delete all data on the instrument (%n group, downloaded at %1 and archived). Do you want to continue?</numerusform>
            <numerusform>This will delete all data on the instrument (%n groups, downloaded at %1 and archived). Do you want to continue?</numerusform>
        </translation>
    </message>
</context>
</TS>
