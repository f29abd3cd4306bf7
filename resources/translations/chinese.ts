<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="zh_CN">
<context>
    <name>HistoryDialog</name>
    <message>
        <source>下载时间</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>工作站</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>组数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>历史记录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不限</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>材料、测量类型或冲击装置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>从</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>至</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打开</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法读取存档</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关闭</source>
        <translation type="unfinished"></translation>
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
        <translation>硬度计</translation>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>重新获取</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>删除所有</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打印</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出Excel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>中英切换</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测量类型</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>连接成功</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>连接断开</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数据删除完成</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>暂无数据</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>警告</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>获取数据</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存Excel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测试数据</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>*.xlsx</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存成功</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已连接 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无权打开 %1：用户须属于拥有该设备的用户组 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无权打开 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 已被其他程序占用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 不存在</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法打开 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有任何串口</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有仪器应答</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 上没有仪器应答</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正在查找仪器…</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>空位之后还有 %n 组数据未读取</source>
        <translation>
            <numerusform>空位之后还有 %n 组数据未读取</numerusform>
        </translation>
    </message>
    <message>
        <source>数据校验失败</source>
        <translation>数据校验失败</translation>
    </message>
    <message>
        <source>历史记录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>存档未通过完整性检查，已移至 %1，新的存档已建立</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>存档失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法读取存档</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有可用的存档</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>仪器中没有数据</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未存档</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>最小值 (HL)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>最大值 (HL)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>平均值 (HL)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PaintBase</name>
    <message>
        <source>批次: </source>
        <translation>批次:</translation>
    </message>
    <message>
        <source>备注: </source>
        <translation>备注:</translation>
    </message>
    <message>
        <source>测量日期</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>冲击装置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>冲击方向</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测量类型</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>材料</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测量数据</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>检验员: </source>
        <translation>检验员:</translation>
    </message>
</context>
<context>
    <name>Print</name>
    <message>
        <source>打印预览</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>公司名称</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>批次</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>备注</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出为PDF</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打印</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>选择文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测量报告</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存成功</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打印设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>开始打印</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>指定打印机</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>指定纸张</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有可用的打印机</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打印完成</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打印失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法读取图片</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>检验员</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>向下</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>斜下</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>钢和铸钢</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>合金工具钢</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>铸铝合金</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>灰铸铁</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>球墨铸铁</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不锈钢</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>铜锌合金</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>铜锡合金</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>纯铜</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>碳钢</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>铬钢</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>铬钒钢</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>铬镍钢</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>铬钼钢</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>铬镍钼钢</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>铬锰硅钢</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>超高强度钢</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法计算</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测值过大</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测值过小</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>里氏硬度计测量报告</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>LO: 测值过小</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HI: 测值过大</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>---: 无法计算</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测量日期</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>冲击装置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>冲击方向</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测量类型</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>材料</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测量次数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测量数值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法写入设置文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>程序已在运行</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>日期无效</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ViewState</name>
    <message>
        <source>获取失败，没有可显示的数据</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>获取失败，显示的是 %1 的数据</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>存档数据 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 从 %2 获取</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未连接仪器</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正在获取数据：获取并存档之后才能删除</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>最近一次获取失败：仪器上的数据未被读取，不能删除</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>仪器上的数据已删除：请先重新获取</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>表中是存档数据，不是本次连接获取的数据：请先重新获取</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>本次连接尚未获取数据：请先重新获取</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>获取的数据未存档：删除会使其丢失</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>删除仪器上所有的数据（%1 获取的 %n 组数据已存档）</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>这将删除仪器上所有的数据（%1 获取并已存档的 %n 组数据），请问是否继续？</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
</context>
</TS>
