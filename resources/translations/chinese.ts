<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="zh_CN">
<context>
    <name>ControlChart</name>
    <message>
        <source>单值图：各次检查的平均值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>移动极差图</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>平均值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>受控</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>失控</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>移动极差</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>中心线 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下控制限 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>上控制限 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>控制限取自前 %1 次检查。失控的检查以红色方块标出。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>检查少于 5 次：尚无控制限，只显示各点。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
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
    <message>
        <source>0（无数据组）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>匹配组数/组数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>存档：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>零件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>炉批号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>符合条件的测量组</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有符合条件的测量组</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n 组</source>
        <translation>
            <numerusform>%n 组</numerusform>
        </translation>
    </message>
    <message>
        <source>：平均 %1 HL，标准差 %2 HL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>，合格 %1/%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测量时间</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测量位置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>操作员</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>判定</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>所属下载</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LeebArchive</name>
    <message>
        <source>用法见 &apos;leeb-archive --help&apos;。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--language 只接受 zh 或 en，不接受 &apos;%1&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--archive 需要一个存档位置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--%1 的日期有误：&apos;%2&apos;；请用 YYYY-MM-DD</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>export 需要一个 FILE.xlsx|FILE.pdf|FILE.csv</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 需要一个下载编号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--csv 只用于 show</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--utc 只用于 list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--from 和 --to 只用于 list 和 export</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--from %1 晚于 --to %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法导出到 %1：文件名须以 .xlsx、.pdf 或 .csv 结尾</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>第 %1 组  %2
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>（无此日期：%1）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  冲击装置 %1（%2）  材料 %3（%4）  冲击方向 %5（%6）  测量类型 %7（%8）  表组 %9
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  冲击值（%1）：%2
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下载 %1
  时间 %2（最后确认 %3）
  工作站 %4
  串口 %5
  程序 %6
  组数 %7
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法写入标准输出</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法写入 %1：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出到 %1 失败：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已将 %1 组数据写入 %2
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下载编号 &apos;%1&apos; 有误：须为 list 显示的编号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 不带操作数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>check 只用于 SQLite 存档；PostgreSQL 服务器自己检查其数据</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>存档 %1 完好
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>存档 %1 的索引已损坏（%2）：已重建，存档现在完好
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>存档 %1 已损坏（%2）：原文件已移至 %3；新的存档收入了 %4 次下载，%5 次下载无法读取
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>存档已损坏（%1），未能修复：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 属于其他用户或可被其他用户修改：未采用其中的存档位置，使用默认存档</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--part 和 --heat 只用于 list 和 export</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未知选项 %1；可用：--archive、--from、--to、--part、--heat、--csv、--utc、--language、--help、--version，blocks 与 checks 的选项见 --help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>缺少命令；可用：list、show、raw、export、check、blocks、checks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未知命令 &apos;%1&apos;；可用：list、show、raw、export、check、blocks、checks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--%1 只用于 blocks 和 checks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--from、--to、--part、--heat 和 --utc 不用于 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>合格</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不合格</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--%1 只用于 checks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--%1 只用于 blocks add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--csv 只用于 list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>blocks add 需要 --serial、--device 和 --nominal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>冲击装置 &apos;%1&apos; 有误：可用 D、DC、DL、D_15、C1、G、E</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--nominal 的值有误：&apos;%1&apos;；请写 HL 数值，如 760</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--%1 的值有误：&apos;%2&apos;；请写 HL 数值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--valid-until 的日期有误：&apos;%1&apos;；请用 YYYY-MM-DD</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>checks %1 需要 --block</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--%1 只用于 checks add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>checks add 需要 --readings，或 --download 与 --slot 两者</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>读数有误：&apos;%1&apos;；请写以逗号分隔的 HL 整数，如 758,762,765</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>组号 &apos;%1&apos; 有误：须为 1 到 100</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--at 的时间有误：&apos;%1&apos;；请用 YYYY-MM-DDTHH:MM</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1  %2  %3 HL  不确定度 %4  证书 %5  有效期至 %6  最大误差 ±%7 HL  最大重复性 %8 HL
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已有标准块 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已添加标准块 %1：%2，%3 HL，最大误差 ±%4 HL，最大重复性 %5 HL
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有标准块 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下载 %1 没有第 %2 组</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>第 %1 组用冲击装置 %2 测量，标准块 %3 用于 %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>第 %1 组的日期不存在：请用 --at 给出检查时间</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>检查至少需要 %1 个读数，只有 %2 个</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>读数须为正的 HL 数值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标准块 %1 有效期至 %2，不能用于 %3 的检查</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>检查 %1（标准块 %2，%3）：%4 个读数，平均 %5 HL，误差 %6 HL（±%7），重复性 %8 HL（%9）：%10
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1  %2  %3 个读数  平均 %4  误差 %5  重复性 %6  %7%8
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  失控</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 需要 add 或 list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>用法：leeb-archive [--archive 位置] [--language zh|en] list [--from 日期] [--to 日期] [--part 文字]
                   [--heat 文字] [--utc]
      leeb-archive [--archive 位置] [--language zh|en] show ID [--csv]
      leeb-archive [--archive 位置] raw ID
      leeb-archive [--archive 位置] [--language zh|en] export [--from 日期] [--to 日期] [--part 文字]
                   [--heat 文字] FILE.xlsx|FILE.pdf|FILE.csv
      leeb-archive [--archive 位置] [--language zh|en] check
      leeb-archive [--archive 位置] [--language zh|en] blocks add --serial 编号 --device 装置 --nominal HL
                   [--uncertainty HL] [--certificate 文字] [--valid-until 日期] [--max-error HL]
                   [--max-repeatability HL]
      leeb-archive [--archive 位置] [--language zh|en] blocks list [--csv]
      leeb-archive [--archive 位置] [--language zh|en] checks add --block 编号
                   (--readings R1,R2,... | --download ID --slot N) [--at YYYY-MM-DDTHH:MM]
                   [--operator 文字]
      leeb-archive [--archive 位置] [--language zh|en] checks list --block 编号 [--csv]
      leeb-archive [--archive 位置] [--language zh|en] checks export --block 编号 FILE.pdf

读取里氏硬度计配套程序的测量存档。
  list     各次下载，最新的在前，每行一次：编号、时间（本地时间及其与 UTC 的时差；--utc：UTC，
           ISO 8601）、工作站、串口、组数，以制表符分隔；--from/--to 按所显示时间的日期选择
  show     下载 ID 的各组：完整日期、代码与文字、HL 及每种换算值和状态、各次冲击值；
           --csv：同样的内容，CSV 格式，带表头行
  raw      下载 ID 收到的原始数据，原样写到标准输出
  export   在 --from..--to 这些日期（仪器时钟）测量的各组，每次测量一次，写成工作簿（.xlsx）、
           PDF 报告（.pdf，报告头取自 ./PrintConfig.ini）或 CSV（.csv）
  check    完整检查 SQLite 存档：只有索引损坏时就地重建索引；文件损坏时原文件连同 -wal/-shm
           原样移到一旁，在原位置新建存档，收入其中仍可读取的各次下载
  blocks   标准块登记：add 添加一块（装置 D、DC、DL、D_15、C1、G、E；未给出的允许误差和重复性取默认值：
           D 与 DC 在 645 HL 及以上为 6 HL，以下为 10 HL，其余装置为 12 HL），list 列出各块
  checks   仪器在标准块上的检查：add 记录一次检查（至少 3 个读数，或取自已存档的下载 ID 的第 N 组，
           时间默认为该组的时间或现在；不合格的检查照样记录），list 列出该块的检查及其控制图界限；
           --csv：CSV 格式，带表头行；export 把块的数据、控制图和各次检查写成 PDF
  --archive 位置      SQLite 文件、postgresql://用户@主机:端口/数据库 或
                      postgresql://用户@/数据库?host=/套接字目录（密码取自 PGPASSWORD 或
                      ~/.pgpass）；默认为 ./PrintConfig.ini 中 Archive 节的 location 键，
                      否则为应用数据目录中的 archive.sqlite
  --part 文字, --heat 文字
                      只取带有完全相同的零件或炉批号标记的组（list：含有这样的组的下载）
  --language zh|en    输出的语言；默认为 ./PrintConfig.ini 中窗口的语言
  --help, --version
日期格式为 YYYY-MM-DD，两端都包括在内。ID 为 list 显示的下载编号。
退出状态：0 完成（check：存档完好），1 存档或文件失败（check：发现损坏），2 参数或输入有误（如已过有效期
的标准块、过少的读数）。
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>checks export 需要一个 FILE.pdf</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--%1 不用于 checks export</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法导出到 %1：文件名须以 .pdf 结尾</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已将标准块 %1 的 %2 次检查写入 %3
</source>
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
    <message>
        <source>无权打开 %1：该设备只允许 %2 使用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 被过时的锁文件 %2 占用（进程已不存在）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>存档的索引已损坏，已重建</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>存档检查失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>存档已损坏，已移至 %1；新的存档收入了其中 %2 次下载</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>，%1 次下载无法读取</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未采用设置文件中的存档位置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 属于其他用户或可被其他用户修改：未采用其中的存档位置，使用默认存档</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标准差 (HL)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>极差 (HL)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>判定</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标签…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>零件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>炉批号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>位置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>操作员</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测量日期</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>材料</source>
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
        <source>备注：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法读取标签</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>已选 %n 组</source>
        <translation>
            <numerusform>已选 %n 组</numerusform>
        </translation>
    </message>
    <message>
        <source>存档完成之后才能加标签</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数据未存档，不能加标签</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请先选择要加标签的行</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>给选中的各组加标签，设定零件的限值 (Ctrl+T)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标签保存失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标签已保存</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>报告页眉未存档</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>验证</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已验证</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未验证</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法读取验证记录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标准硬度块及其检查记录、控制图</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>验证状态</source>
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
        <source>测量类型</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>材料</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>检验员: </source>
        <translation>检验员:</translation>
    </message>
    <message>
        <source>零件: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>炉批号: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>限值: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>组数: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已判定: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>合格: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>平均值: %1 HL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标准差: %1 HL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测量值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>冲击值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>统计</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>均值 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>极差 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标准差 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>检验员：__________    审核：__________    日期：__________</source>
        <translation type="unfinished"></translation>
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
    <message>
        <source>合格</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>偏低</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>偏高</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未判定</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>零件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>炉批号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>位置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>操作员</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>限值标尺</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下限</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>上限</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>判定</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>平均值 (HL)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标准差 (HL)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>极差 (HL)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>多个</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>按仪器%1材料换算表换算；换算硬度值仅供参考</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>、</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未验证</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>验证：试块 %1，%2，误差 %3 HL，重复性 %4 HL，%5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>通过</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未通过</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有验证记录覆盖这些组</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>另有 %n 次验证</source>
        <translation>
            <numerusform>另有 %n 次验证</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TagDialog</name>
    <message numerus="yes">
        <source>标签（%n 组）</source>
        <translation>
            <numerusform>标签（%n 组）</numerusform>
        </translation>
    </message>
    <message>
        <source>零件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>炉批号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>位置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>操作员</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>备注</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>（多个值）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>零件限值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不限</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标尺</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下限</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>上限</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下限不是整数：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>上限不是整数：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下限 %1 大于上限 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>限值属于零件：请填写零件</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>VerificationDialog</name>
    <message>
        <source>仪器验证</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>编号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>冲击装置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标称值 (HL)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>有效期至</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>允许误差 (HL)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>允许重复性 (HL)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>YYYY-MM-DD，可空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>添加标准块</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>新的标准块</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不确定度 (HL)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>证书编号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>允许误差 ± (HL)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标准硬度块</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>时间</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>操作员</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>平均值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>示值误差</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>重复性</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>结论</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>受控</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>读数 (HL)，以逗号或空格分隔，如 758, 762, 765, 757, 761</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>添加检查</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>取自当前数据组</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出PDF</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>窗口中没有显示数据组</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法读取标准块：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不限</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法读取标准块 %1 的检查：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标准块 %1（%2，%3 HL）的检查</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有选中标准块</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>合格</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不合格</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>是</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>否</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>默认 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请填写标准块的编号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标称值“%1”有误：须为 1 至 1000 HL 的数值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不确定度</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>允许误差</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>允许重复性</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1“%2”有误：须为不小于 %3 的数值，或留空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>有效期“%1”有误：请用 YYYY-MM-DD</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标准块 %1 未能存入存档：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已添加标准块 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>读数太少：一次检查至少需要 %1 个读数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标准块 %1 的有效期至 %2，已过期：不能用于新的检查</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>读数有误：每个读数须为正的整数 HL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请先选择一个标准块</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>读数“%1”不是整数：请以逗号或空格分隔各个整数读数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>检查未能存入存档：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已记录检查：平均值 %1，示值误差 %2，重复性 %3，%4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>当前数据组的冲击装置为 %1，标准块 %2 的为 %3：不能用于此块的检查</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已填入当前数据组的 %1 个冲击值；核对后点“添加检查”</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>验证记录-%1.pdf</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PDF 文件 (*.pdf)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出到 %1 失败：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已导出到 %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>VerificationReport</name>
    <message>
        <source>合格</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不合格</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>是</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>否</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>序号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>时间</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>操作员</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>读数 (HL)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>平均值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>示值误差</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>重复性</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>结论</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>受控</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>仪器验证记录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标准硬度块 %1    冲击装置 %2    标称值 %3%4 HL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>证书编号 %1    有效期至 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>允许示值误差 ±%1 HL    允许重复性 %2 HL    检查次数 %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>单值图：各次检查的平均值 (HL)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>移动极差图 (HL)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>上控制限 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>中心线 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下控制限 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>控制限取自前 %1 次检查；失控的检查以红色方块标出，表中“受控”为“否”。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>检查少于 5 次：尚无控制限。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>第 %1 页，共 %2 页</source>
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
    <message>
        <source>正在存档：存档完成之后才能删除</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
