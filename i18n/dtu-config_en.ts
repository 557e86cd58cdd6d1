<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>BoundedRead</name>
    <message>
        <source>%1 秒内没有程序写入这个管道</source>
        <translation>nothing wrote to this pipe within %1 s</translation>
    </message>
    <message>
        <source>这是一个设备，不是文件，读取它会一直等待</source>
        <translation>this is a device, not a file: reading it would wait for ever</translation>
    </message>
</context>
<context>
    <name>ButtonTableTexts</name>
    <message>
        <source>命令名称</source>
        <translation>Command name</translation>
    </message>
</context>
<context>
    <name>CommPageTexts</name>
    <message>
        <source>TCP维护端口连接中...</source>
        <translation>Connecting to the TCP maintenance port...</translation>
    </message>
    <message>
        <source>TCP维护端口连接成功</source>
        <translation>TCP maintenance port connected</translation>
    </message>
    <message>
        <source>TCP维护端口连接失败</source>
        <translation>TCP maintenance port connection failed</translation>
    </message>
    <message>
        <source>串口设置</source>
        <translation>Serial Port</translation>
    </message>
    <message>
        <source>打开串口</source>
        <translation>Open Port</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>格式</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>TCP连接设置</source>
        <translation>TCP Connection</translation>
    </message>
    <message>
        <source>设备IP   </source>
        <translation>Device IP   </translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>断开</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>读取全部参数</source>
        <translation>Read All Parameters</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>设置当前选中参数</source>
        <translation>Set Selected Parameter</translation>
    </message>
    <message>
        <source>显示数据</source>
        <translation>Show data</translation>
    </message>
    <message>
        <source>图形化I/O配置</source>
        <translation>Graphical I/O Configuration</translation>
    </message>
    <message>
        <source>定时查询参数设置区</source>
        <translation>Timed Query Parameters</translation>
    </message>
    <message>
        <source>启用定时查询</source>
        <translation>Enable timed query</translation>
    </message>
    <message>
        <source>查询周期(秒)</source>
        <translation>Query period (s)</translation>
    </message>
    <message>
        <source>HEX模式     </source>
        <translation>HEX mode     </translation>
    </message>
    <message>
        <source>查询命令输入窗口</source>
        <translation>Query Command Input</translation>
    </message>
    <message>
        <source>设置信息显示窗口</source>
        <translation>Settings Log</translation>
    </message>
    <message>
        <source>%1打开成功,BaudRate=%2,参数=%3</source>
        <translation>%1 opened, BaudRate=%2, format=%3</translation>
    </message>
    <message>
        <source>[参数文件回写失败：%1]</source>
        <translation>[Writing back the profile failed: %1]</translation>
    </message>
    <message>
        <source>查询命令输入窗口[HEX模式]</source>
        <translation>Query Command Input [HEX mode]</translation>
    </message>
    <message>
        <source>关闭串口</source>
        <translation>Close Port</translation>
    </message>
    <message>
        <source>串口未打开</source>
        <translation>Serial port not open</translation>
    </message>
    <message>
        <source>%1打开失败</source>
        <translation>Opening %1 failed</translation>
    </message>
</context>
<context>
    <name>CommandRunnerTexts</name>
    <message>
        <source>命令描述不是 JSON 对象：</source>
        <translation>The command description is not a JSON object: </translation>
    </message>
    <message>
        <source>下行HEX：</source>
        <translation>Sent HEX: </translation>
    </message>
    <message>
        <source>下行ASCII：</source>
        <translation>Sent ASCII: </translation>
    </message>
    <message>
        <source>上行：</source>
        <translation>Received: </translation>
    </message>
</context>
<context>
    <name>CommandWindowTexts</name>
    <message>
        <source>命令执行窗口</source>
        <translation>Command Window</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ControlPageTexts</name>
    <message>
        <source>对话显示窗口</source>
        <translation>Conversation</translation>
    </message>
    <message>
        <source>DTU状态访问</source>
        <translation>DTU State</translation>
    </message>
    <message>
        <source>读DTU状态</source>
        <translation>Read DTU State</translation>
    </message>
    <message>
        <source>设置DTU状态</source>
        <translation>Set DTU State</translation>
    </message>
    <message>
        <source>00-睡眠状态</source>
        <translation>00-Sleep</translation>
    </message>
    <message>
        <source>02-待机状态</source>
        <translation>02-Standby</translation>
    </message>
    <message>
        <source>05-GPRS状态</source>
        <translation>05-GPRS</translation>
    </message>
    <message>
        <source>读取信号强度</source>
        <translation>Read Signal Strength</translation>
    </message>
    <message>
        <source>查询DTU版本号</source>
        <translation>Read Firmware Version</translation>
    </message>
    <message>
        <source>读取设备时钟</source>
        <translation>Read Device Clock</translation>
    </message>
    <message>
        <source>设置设备时钟</source>
        <translation>Set Device Clock</translation>
    </message>
    <message>
        <source>SOCKET操作</source>
        <translation>Socket Operations</translation>
    </message>
    <message>
        <source>创建SOCKET</source>
        <translation>Create Socket</translation>
    </message>
    <message>
        <source>建立TCP连接</source>
        <translation>Connect TCP</translation>
    </message>
    <message>
        <source>断开TCP连接</source>
        <translation>Disconnect TCP</translation>
    </message>
    <message>
        <source>关闭SOCKET</source>
        <translation>Close Socket</translation>
    </message>
    <message>
        <source>本地端口 </source>
        <translation>Local port </translation>
    </message>
    <message>
        <source>远端端口 </source>
        <translation>Remote port </translation>
    </message>
    <message>
        <source>对方IP </source>
        <translation>Peer IP </translation>
    </message>
    <message>
        <source>DTU数据收发</source>
        <translation>DTU Data Exchange</translation>
    </message>
    <message>
        <source>重复发送次数       </source>
        <translation>Repeat count       </translation>
    </message>
    <message>
        <source>发送数据</source>
        <translation>Send Data</translation>
    </message>
    <message>
        <source>接收数据</source>
        <translation>Receive Data</translation>
    </message>
    <message>
        <source> 显示十六进制值     </source>
        <translation> Show hex values     </translation>
    </message>
    <message>
        <source>添加HEX字符</source>
        <translation>Add HEX Bytes</translation>
    </message>
    <message>
        <source>统计清零</source>
        <translation>Reset Counters</translation>
    </message>
    <message>
        <source>端口号必须是0到65535之间的整数</source>
        <translation>The port number must be an integer from 0 to 65535</translation>
    </message>
    <message>
        <source>Socket创建成功</source>
        <translation>Socket created</translation>
    </message>
    <message>
        <source>Socket创建失败</source>
        <translation>Socket creation failed</translation>
    </message>
    <message>
        <source>TCP连接成功</source>
        <translation>TCP connected</translation>
    </message>
    <message>
        <source>TCP连接失败</source>
        <translation>TCP connection failed</translation>
    </message>
    <message>
        <source>TCP断开成功</source>
        <translation>TCP disconnected</translation>
    </message>
    <message>
        <source>TCP断开失败</source>
        <translation>TCP disconnect failed</translation>
    </message>
    <message>
        <source>Socket关闭成功</source>
        <translation>Socket closed</translation>
    </message>
    <message>
        <source>Socket关闭失败</source>
        <translation>Socket close failed</translation>
    </message>
    <message>
        <source>，设备无响应！</source>
        <translation>, the device did not respond!</translation>
    </message>
    <message>
        <source>，参数错误！</source>
        <translation>, invalid parameter!</translation>
    </message>
    <message>
        <source>，返回帧校验错误！</source>
        <translation>, reply frame checksum error!</translation>
    </message>
    <message>
        <source>[数据发送成功]</source>
        <translation>[Data sent successfully]</translation>
    </message>
    <message>
        <source>[数据发送失败]</source>
        <translation>[Data send failed]</translation>
    </message>
    <message>
        <source>[数据发送失败，设备无响应！]</source>
        <translation>[Data send failed, the device did not respond!]</translation>
    </message>
    <message>
        <source>[数据发送失败，非法的返回串！]</source>
        <translation>[Data send failed, invalid reply string!]</translation>
    </message>
    <message>
        <source>[数据发送失败，返回帧校验错误！]</source>
        <translation>[Data send failed, reply frame checksum error!]</translation>
    </message>
    <message>
        <source>[数据读取失败，设备无响应！]</source>
        <translation>[Data read failed, the device did not respond!]</translation>
    </message>
    <message>
        <source>[数据读取失败，返回数据包头非法！]</source>
        <translation>[Data read failed, invalid reply packet header!]</translation>
    </message>
    <message>
        <source>[数据读取失败，返回数据包命令字非法！]</source>
        <translation>[Data read failed, invalid reply packet command!]</translation>
    </message>
    <message>
        <source>[数据读取失败，返回数据包校验错！]</source>
        <translation>[Data read failed, reply packet checksum error!]</translation>
    </message>
    <message>
        <source>次]</source>
        <translation> times]</translation>
    </message>
    <message>
        <source>从Socket[%1]收到数据:</source>
        <translation>Data received from socket [%1]: </translation>
    </message>
    <message>
        <source>文字输入窗口[HEX模式]</source>
        <translation>Text Input [HEX mode]</translation>
    </message>
    <message>
        <source>文字输入窗口(文本模式)</source>
        <translation>Text Input (text mode)</translation>
    </message>
</context>
<context>
    <name>ConversationFindTexts</name>
    <message>
        <source>查找:</source>
        <translation>Find:</translation>
    </message>
    <message>
        <source>上一个</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>下一个</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>未找到</source>
        <translation>Not found</translation>
    </message>
</context>
<context>
    <name>ConversationViewTexts</name>
    <message>
        <source>↓ 有新内容</source>
        <translation>↓ New text</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>全选</source>
        <translation>Select All</translation>
    </message>
    <message>
        <source>查找...</source>
        <translation>Find...</translation>
    </message>
</context>
<context>
    <name>Dashboard</name>
    <message>
        <source>其他</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>超过 %1 条记录：请缩小时间范围</source>
        <translation>More than %1 records: narrow the time span</translation>
    </message>
</context>
<context>
    <name>DeviceCommandTexts</name>
    <message>
        <source>00-睡眠状态</source>
        <translation>00-Sleep</translation>
    </message>
    <message>
        <source>02-待机状态</source>
        <translation>02-Standby</translation>
    </message>
    <message>
        <source>05-GPRS状态</source>
        <translation>05-GPRS</translation>
    </message>
    <message>
        <source>请选择一个状态!</source>
        <translation>Please select a state!</translation>
    </message>
</context>
<context>
    <name>ExchangeTexts</name>
    <message>
        <source>数据过长，无法组帧</source>
        <translation>The data is too long to fit in a frame</translation>
    </message>
    <message>
        <source>下行：</source>
        <translation>Sent: </translation>
    </message>
    <message>
        <source>上行：</source>
        <translation>Received: </translation>
    </message>
    <message>
        <source>正在等待设备应答，请稍候再操作</source>
        <translation>Waiting for the device to answer; please try again shortly</translation>
    </message>
</context>
<context>
    <name>ExtPageTexts</name>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>显示串口数据</source>
        <translation>Show serial data</translation>
    </message>
    <message>
        <source>图形化I/O配置</source>
        <translation>Graphical I/O Configuration</translation>
    </message>
</context>
<context>
    <name>FileTestTexts</name>
    <message>
        <source>选择文件</source>
        <translation>Choose File</translation>
    </message>
    <message>
        <source>所有文件 (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>读取文件失败!</source>
        <translation>Cannot read the file!</translation>
    </message>
    <message>
        <source>请输入包长度</source>
        <translation>Please enter the packet length</translation>
    </message>
    <message>
        <source>请输入时间间隔</source>
        <translation>Please enter the interval</translation>
    </message>
    <message>
        <source>最大包长度不能超过100000字节</source>
        <translation>The packet length must not exceed 100000 bytes</translation>
    </message>
    <message>
        <source>文件发送完毕!</source>
        <translation>File sent!</translation>
    </message>
    <message>
        <source>请指定文件名!</source>
        <translation>Please specify a file name!</translation>
    </message>
    <message>
        <source>创建文件失败!</source>
        <translation>Cannot create the file!</translation>
    </message>
    <message>
        <source>[接收数据写入文件%1失败：%2]</source>
        <translation>[Writing received data to file %1 failed: %2]</translation>
    </message>
    <message>
        <source>文件收发</source>
        <translation>File Transfer</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open File</translation>
    </message>
    <message>
        <source>开始发送</source>
        <translation>Start Sending</translation>
    </message>
    <message>
        <source>停止发送</source>
        <translation>Stop Sending</translation>
    </message>
    <message>
        <source>时间间隔(s)     </source>
        <translation>Interval (s)     </translation>
    </message>
    <message>
        <source>包长度     </source>
        <translation>Packet length     </translation>
    </message>
    <message>
        <source>接收数据写入到文件:   </source>
        <translation>Write received data to file:   </translation>
    </message>
    <message>
        <source>时间间隔不能超过100000秒</source>
        <translation>The interval must not exceed 100000 s</translation>
    </message>
</context>
<context>
    <name>FileTexts</name>
    <message>
        <source>无法写入文件 %1：%2</source>
        <translation>Cannot write file %1: %2</translation>
    </message>
    <message>
        <source>无法写入文件 %1：无法先保存原内容的副本 %2（%3）</source>
        <translation>Cannot write file %1: its content could not be saved first to the copy %2 (%3)</translation>
    </message>
    <message>
        <source>无法写入文件 %1：%2；原内容保存在 %3</source>
        <translation>Cannot write file %1: %2; its previous content is kept in %3</translation>
    </message>
</context>
<context>
    <name>JsonTexts</name>
    <message>
        <source>嵌套超过 %1 层</source>
        <translation>nested deeper than %1 levels</translation>
    </message>
</context>
<context>
    <name>LabelTexts</name>
    <message>
        <source>标签文件夹无法创建：%1</source>
        <translation>Cannot create the label folder %1</translation>
    </message>
    <message>
        <source>标签文件无法写入：%1（%2）</source>
        <translation>Cannot write the label file %1 (%2)</translation>
    </message>
    <message>
        <source>找不到打印机：%1</source>
        <translation>No printer named %1</translation>
    </message>
    <message>
        <source>打印机无法打印：%1</source>
        <translation>The printer %1 cannot print</translation>
    </message>
</context>
<context>
    <name>LinkTexts</name>
    <message>
        <source>读取数据出错</source>
        <translation>Error reading data</translation>
    </message>
    <message>
        <source>数据通道未打开，请先打开串口或建立TCP链接</source>
        <translation>No data channel is open; open the serial port or connect over TCP first</translation>
    </message>
    <message>
        <source> 收到数据：</source>
        <translation> Data received: </translation>
    </message>
    <message>
        <source>收：%1字节，发:%2字节</source>
        <translation>RX: %1 bytes, TX: %2 bytes</translation>
    </message>
    <message>
        <source>上行：</source>
        <translation>Received: </translation>
    </message>
    <message>
        <source>串口写入超时</source>
        <translation>Serial port write timed out</translation>
    </message>
    <message>
        <source>TCP连接尚未建立</source>
        <translation>The TCP connection is not established yet</translation>
    </message>
    <message>
        <source>串口写入已中止</source>
        <translation>Serial port write aborted</translation>
    </message>
    <message>
        <source>[串口已重新连接]</source>
        <translation>[Serial port reconnected]</translation>
    </message>
    <message>
        <source>TCP维护端口连接断开，%1秒后第%2次重新连接</source>
        <translation>TCP maintenance port disconnected; reconnection attempt %2 in %1 s</translation>
    </message>
    <message>
        <source>TCP维护端口第%1次重新连接中...</source>
        <translation>TCP maintenance port: reconnection attempt %1...</translation>
    </message>
    <message>
        <source>%1已断开，等待设备重新连接...</source>
        <translation>%1 disconnected, waiting for the device to reconnect...</translation>
    </message>
    <message>
        <source>设备已移除</source>
        <translation>the device was removed</translation>
    </message>
    <message>
        <source>设备一端已关闭</source>
        <translation>the device end of the line was closed</translation>
    </message>
    <message>
        <source>%1已断开：该适配器没有可区分的序列号，同型号的适配器无法确认是同一个适配器，请确认后手动打开串口</source>
        <translation>%1 disconnected: the adapter has no serial number that tells it apart, so an adapter of the same model cannot be confirmed to be the same one; check the unit and open the port yourself</translation>
    </message>
</context>
<context>
    <name>LogTexts</name>
    <message>
        <source>日志文件无法写入：%1（%2）</source>
        <translation>Cannot write the log file: %1 (%2)</translation>
    </message>
    <message>
        <source>日志文件恢复写入：%1（其间%2行未能写入）</source>
        <translation>Writing the log file again: %1 (%2 lines could not be written meanwhile)</translation>
    </message>
    <message>
        <source>磁盘已满或文件过大</source>
        <translation>disk full or file too large</translation>
    </message>
    <message>
        <source>不是普通文件</source>
        <translation>not a regular file</translation>
    </message>
</context>
<context>
    <name>MainWindowTexts</name>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>真的要恢复出厂默认设置吗？</source>
        <translation>Do you really want to restore the factory defaults?</translation>
    </message>
    <message>
        <source>真的要复位设备吗？</source>
        <translation>Do you really want to reset the device?</translation>
    </message>
    <message>
        <source>请先将DTU断电，点击确定按钮(OK)后，立即给DTU上电</source>
        <translation>Power off the DTU first, click OK, then power the DTU on at once</translation>
    </message>
    <message>
        <source>定时查询设置</source>
        <translation>Set Timed Query</translation>
    </message>
    <message>
        <source>终止测试</source>
        <translation>Stop Test</translation>
    </message>
    <message>
        <source>恢复出厂默认设置</source>
        <translation>Factory Defaults</translation>
    </message>
    <message>
        <source>复位设备</source>
        <translation>Reset Device</translation>
    </message>
    <message>
        <source>自动获取参数</source>
        <translation>Read parameters automatically</translation>
    </message>
    <message>
        <source>文件操作</source>
        <translation>File</translation>
    </message>
    <message>
        <source>调入参数文件</source>
        <translation>Load Profile</translation>
    </message>
    <message>
        <source>保存参数文件</source>
        <translation>Save Profile</translation>
    </message>
    <message>
        <source>批量写参数</source>
        <translation>Write All Parameters</translation>
    </message>
    <message>
        <source>快速应答</source>
        <translation>Fast replies</translation>
    </message>
    <message>
        <source>其他操作</source>
        <translation>Other Operations</translation>
    </message>
    <message>
        <source>   通信参数设置   </source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>  透明传输测试  </source>
        <translation>Transparent Mode Test</translation>
    </message>
    <message>
        <source>控制模式测试</source>
        <translation>Control Mode Test</translation>
    </message>
    <message>
        <source>工业MODEM模式测试</source>
        <translation>Modem Mode Test</translation>
    </message>
    <message>
        <source>   扩展参数设置   </source>
        <translation>Extended Parameters</translation>
    </message>
    <message>
        <source>串口状态</source>
        <translation>Port status</translation>
    </message>
    <message>
        <source>串口未打开</source>
        <translation>Serial port not open</translation>
    </message>
    <message>
        <source>操作结果</source>
        <translation>Operation Result</translation>
    </message>
    <message>
        <source>无法打开脚本文件 %1：%2</source>
        <translation>Cannot open script file %1: %2</translation>
    </message>
    <message>
        <source>参数文件 (*.txt);;所有文件 (*)</source>
        <translation>Profiles (*.txt);;All files (*)</translation>
    </message>
    <message>
        <source>[无法写入lastfile.log：%1]</source>
        <translation>[Cannot write lastfile.log: %1]</translation>
    </message>
    <message>
        <source>参数文件调入失败：%1
%2</source>
        <translation>Loading the profile failed: %1
%2</translation>
    </message>
    <message>
        <source>[参数文件调入失败：%1 %2]</source>
        <translation>[Loading the profile failed: %1 %2]</translation>
    </message>
    <message>
        <source>参数配置程序 </source>
        <translation>DTU Configuration </translation>
    </message>
    <message>
        <source>尚未调入参数文件</source>
        <translation>No profile loaded</translation>
    </message>
    <message>
        <source>参数文件保存失败：%1
%2</source>
        <translation>Saving the profile failed: %1
%2</translation>
    </message>
    <message>
        <source>命令执行窗口</source>
        <translation>Command Window</translation>
    </message>
    <message>
        <source>文件收发测试</source>
        <translation>File Transfer Test</translation>
    </message>
    <message>
        <source>生产工位</source>
        <translation>Production Station</translation>
    </message>
</context>
<context>
    <name>ModemPageTexts</name>
    <message>
        <source>AT命令输入   </source>
        <translation>AT command input   </translation>
    </message>
</context>
<context>
    <name>ParamOpsTexts</name>
    <message>
        <source>参数 %1 (%2) 的取值列表无效：%3</source>
        <translation>The value list of parameter %1 (%2) is invalid: %3</translation>
    </message>
    <message>
        <source>[参数读取失败，设备无响应！]</source>
        <translation>[Parameter read failed, the device did not respond!]</translation>
    </message>
    <message>
        <source>[参数读取失败，返回数据包头非法！]</source>
        <translation>[Parameter read failed, invalid reply packet header!]</translation>
    </message>
    <message>
        <source>[参数读取失败，返回数据包命令字非法！]</source>
        <translation>[Parameter read failed, invalid reply packet command!]</translation>
    </message>
    <message>
        <source>[参数读取失败，返回数据包校验错！]</source>
        <translation>[Parameter read failed, reply packet checksum error!]</translation>
    </message>
    <message>
        <source>[参数设置成功]</source>
        <translation>[Parameter set successfully]</translation>
    </message>
    <message>
        <source>[参数设置失败]</source>
        <translation>[Parameter setting failed]</translation>
    </message>
    <message>
        <source>[参数设置失败，设备无响应！]</source>
        <translation>[Parameter setting failed, the device did not respond!]</translation>
    </message>
    <message>
        <source>[参数设置失败，输入了非法内容！]</source>
        <translation>[Parameter setting failed, invalid input!]</translation>
    </message>
    <message>
        <source>[参数设置失败，返回帧校验错误！]</source>
        <translation>[Parameter setting failed, reply frame checksum error!]</translation>
    </message>
    <message>
        <source>设置参数：</source>
        <translation>Set parameter: </translation>
    </message>
    <message>
        <source>=(空)</source>
        <translation>=(empty)</translation>
    </message>
    <message>
        <source>批量写参数结束：共%1项，成功%2项，失败%3项</source>
        <translation>Batch parameter write finished: %1 in total, %2 succeeded, %3 failed</translation>
    </message>
    <message>
        <source>，跳过%1项</source>
        <translation>, %1 skipped</translation>
    </message>
    <message>
        <source>[参数读取中，请稍候...]</source>
        <translation>[Reading parameters, please wait...]</translation>
    </message>
    <message>
        <source>[参数读取完毕]</source>
        <translation>[Parameters read]</translation>
    </message>
    <message>
        <source>正在设置，请稍候...</source>
        <translation>Setting, please wait...</translation>
    </message>
    <message>
        <source>参数 %1 (%2) 的显示值无法得到：%3</source>
        <translation>The value of parameter %1 (%2) cannot be shown: %3</translation>
    </message>
</context>
<context>
    <name>ParamTableTexts</name>
    <message>
        <source>参数号</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>参数名称</source>
        <translation>Parameter name</translation>
    </message>
    <message>
        <source>参数HEX值</source>
        <translation>HEX value</translation>
    </message>
    <message>
        <source>参数值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>参数相关说明</source>
        <translation>Notes on the parameter</translation>
    </message>
    <message>
        <source>参数说明</source>
        <translation>Notes</translation>
    </message>
</context>
<context>
    <name>ProfileTexts</name>
    <message>
        <source>值列表不是有效的 JSON：%1</source>
        <translation>The value list is not valid JSON: %1</translation>
    </message>
    <message>
        <source>值列表不是两个等长的数组</source>
        <translation>The value list is not two arrays of equal length</translation>
    </message>
    <message>
        <source>无法读取文件 %1：%2</source>
        <translation>Cannot read file %1: %2</translation>
    </message>
    <message>
        <source>文件 %1 不是有效的 JSON：%2</source>
        <translation>File %1 is not valid JSON: %2</translation>
    </message>
    <message>
        <source>文件 %1 的内容不是 JSON 对象</source>
        <translation>The content of file %1 is not a JSON object</translation>
    </message>
    <message>
        <source>不是 JSON 对象</source>
        <translation>not a JSON object</translation>
    </message>
    <message>
        <source>%1 载入失败：%2</source>
        <translation>%1 failed to load: %2</translation>
    </message>
    <message>
        <source>扩展参数项</source>
        <translation>Extended parameter entry</translation>
    </message>
    <message>
        <source>参数项</source>
        <translation>Parameter entry</translation>
    </message>
    <message>
        <source>Params 不是数组，未载入任何参数</source>
        <translation>Params is not an array; no parameters were loaded</translation>
    </message>
    <message>
        <source>命令项 %1 载入失败：不是 JSON 对象</source>
        <translation>Command entry %1 failed to load: not a JSON object</translation>
    </message>
    <message>
        <source>尚未载入参数文件</source>
        <translation>No profile has been loaded yet</translation>
    </message>
    <message>
        <source>文件 %1 过大（%2 MB），配置文件不能超过 %3 MB</source>
        <translation>File %1 is too large (%2 MB); a profile may not exceed %3 MB</translation>
    </message>
    <message>
        <source>文件 %1 的 %2 有 %3 项，超过上限 %4 项</source>
        <translation>%2 of file %1 has %3 entries, more than the limit of %4</translation>
    </message>
    <message>
        <source>扩展参数文件调入失败：</source>
        <translation>Loading the extended parameter file failed: </translation>
    </message>
    <message>
        <source>文件 %1 过大，配置文件不能超过 %2 MB</source>
        <translation>File %1 is too large; a profile may not exceed %2 MB</translation>
    </message>
</context>
<context>
    <name>RecipeEditor</name>
    <message>
        <source>编辑配方 %1</source>
        <translation>Edit Recipe %1</translation>
    </message>
    <message>
        <source>只写与单元不同的参数</source>
        <translation>Write only what differs from the unit</translation>
    </message>
    <message>
        <source>工位名称</source>
        <translation>Station name</translation>
    </message>
    <message>
        <source>标准参数文件</source>
        <translation>Golden profile</translation>
    </message>
    <message>
        <source>脚本文件</source>
        <translation>Script file</translation>
    </message>
    <message>
        <source>端口（逗号分隔）</source>
        <translation>Ports (comma separated)</translation>
    </message>
    <message>
        <source>TCP主机文件</source>
        <translation>TCP hosts file</translation>
    </message>
    <message>
        <source>每台唯一值（每行 名称=模板）</source>
        <translation>Unique per unit (NAME=TEMPLATE a line)</translation>
    </message>
    <message>
        <source>单元值文件</source>
        <translation>Units file</translation>
    </message>
    <message>
        <source>记录数据库</source>
        <translation>Records database</translation>
    </message>
    <message>
        <source>目标数量（0：不限）</source>
        <translation>Target (0: none)</translation>
    </message>
    <message>
        <source>标签打印机（pdf:文件夹 或打印机名）</source>
        <translation>Label printer (pdf:FOLDER or a printer name)</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>保存配方需要二级权限</source>
        <translation>Saving the recipe needs privilege level 2</translation>
    </message>
    <message>
        <source>每台唯一值的一行不是 名称=模板：%1</source>
        <translation>A line of the unique values is not NAME=TEMPLATE: %1</translation>
    </message>
    <message>
        <source>配方未保存：%1</source>
        <translation>Recipe not saved: %1</translation>
    </message>
    <message>
        <source>设备标识参数（名称或代码）</source>
        <translation>Unit identity parameter (name or code)</translation>
    </message>
</context>
<context>
    <name>ReconnectTexts</name>
    <message>
        <source>连接</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>自动重连</source>
        <translation>Reconnect Automatically</translation>
    </message>
    <message>
        <source>打开日志文件夹</source>
        <translation>Open Log Folder</translation>
    </message>
    <message>
        <source>[TCP维护端口已重新连接]</source>
        <translation>[TCP maintenance port reconnected]</translation>
    </message>
    <message>
        <source>[无法打开日志文件夹：%1]</source>
        <translation>[Cannot open the log folder: %1]</translation>
    </message>
    <message>
        <source>%1已断开</source>
        <translation>%1 disconnected</translation>
    </message>
</context>
<context>
    <name>RecordDialog</name>
    <message>
        <source>单元记录 %1</source>
        <translation>Unit Record %1</translation>
    </message>
    <message>
        <source>合格</source>
        <translation>PASS</translation>
    </message>
    <message>
        <source>已做过</source>
        <translation>DONE BEFORE</translation>
    </message>
    <message>
        <source>不合格</source>
        <translation>FAIL</translation>
    </message>
    <message>
        <source>端口：%1    结果：%2    用时 %3 秒</source>
        <translation>Port: %1    Result: %2    Time: %3 s</translation>
    </message>
    <message>
        <source>开始：%1    工位：%2    版本：%3</source>
        <translation>Started: %1    Station: %2    Version: %3</translation>
    </message>
    <message>
        <source>分配的值：%1</source>
        <translation>Values given: %1</translation>
    </message>
    <message>
        <source>原因：%1</source>
        <translation>Reason: %1</translation>
    </message>
    <message>
        <source>代码</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>参数</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>写入</source>
        <translation>Written</translation>
    </message>
    <message>
        <source>读回</source>
        <translation>Read back</translation>
    </message>
    <message>
        <source>一致</source>
        <translation>Same</translation>
    </message>
    <message>
        <source>（未读回）</source>
        <translation>(not read back)</translation>
    </message>
    <message>
        <source>是</source>
        <translation>yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>no</translation>
    </message>
    <message>
        <source>标准配置：%1（内容 %2）</source>
        <translation>Golden: %1 (content %2)</translation>
    </message>
</context>
<context>
    <name>ResultTexts</name>
    <message>
        <source>[%1成功]</source>
        <translation>[%1 succeeded]</translation>
    </message>
    <message>
        <source>[%1失败]</source>
        <translation>[%1 failed]</translation>
    </message>
    <message>
        <source>[%1失败，设备无响应！]</source>
        <translation>[%1 failed, the device did not respond!]</translation>
    </message>
    <message>
        <source>[%1失败，%2]</source>
        <translation>[%1 failed, %2]</translation>
    </message>
    <message>
        <source>[%1失败，返回帧校验错误！]</source>
        <translation>[%1 failed, reply frame checksum error!]</translation>
    </message>
    <message>
        <source>非法的返回串！</source>
        <translation>invalid reply string!</translation>
    </message>
    <message>
        <source>参数错误！</source>
        <translation>invalid parameter!</translation>
    </message>
    <message>
        <source>复位设备</source>
        <translation>Device reset</translation>
    </message>
    <message>
        <source>DTU状态=0,睡眠状态</source>
        <translation>DTU state=0, sleeping</translation>
    </message>
    <message>
        <source>DTU状态=1,未注册状态</source>
        <translation>DTU state=1, not registered</translation>
    </message>
    <message>
        <source>DTU状态=2,待机状态</source>
        <translation>DTU state=2, standby</translation>
    </message>
    <message>
        <source>DTU状态=3,PPP拨号状态</source>
        <translation>DTU state=3, PPP dialing</translation>
    </message>
    <message>
        <source>DTU状态=4,在线状态，未登录到数据中心</source>
        <translation>DTU state=4, online, not logged in to the data center</translation>
    </message>
    <message>
        <source>DTU状态=5,在线状态，已登录到数据中心</source>
        <translation>DTU state=5, online, logged in to the data center</translation>
    </message>
    <message>
        <source>DTU状态读取失败</source>
        <translation>DTU state read failed</translation>
    </message>
    <message>
        <source>DTU状态读取失败，设备无响应！</source>
        <translation>DTU state read failed, the device did not respond!</translation>
    </message>
    <message>
        <source>DTU状态读取失败，参数错误！</source>
        <translation>DTU state read failed, invalid parameter!</translation>
    </message>
    <message>
        <source>DTU状态读取失败，返回帧校验错误！</source>
        <translation>DTU state read failed, reply frame checksum error!</translation>
    </message>
    <message>
        <source>[状态读取失败，返回数据包命令字非法！]</source>
        <translation>[State read failed, invalid reply packet command!]</translation>
    </message>
    <message>
        <source>状态设置</source>
        <translation>State setting</translation>
    </message>
    <message>
        <source>信号读取失败</source>
        <translation>Signal strength read failed</translation>
    </message>
    <message>
        <source>[信号读取失败，返回数据包命令字非法！]</source>
        <translation>[Signal strength read failed, invalid reply packet command!]</translation>
    </message>
    <message>
        <source>DTU版本号读取失败</source>
        <translation>DTU firmware version read failed</translation>
    </message>
    <message>
        <source>DTU版本号=</source>
        <translation>DTU firmware version=</translation>
    </message>
    <message>
        <source>设备时钟读取成功</source>
        <translation>Device clock read successfully</translation>
    </message>
    <message>
        <source>设备时钟读取失败</source>
        <translation>Device clock read failed</translation>
    </message>
    <message>
        <source>设置设备时钟=</source>
        <translation>Set device clock=</translation>
    </message>
    <message>
        <source>设备时钟设置</source>
        <translation>Device clock setting</translation>
    </message>
    <message>
        <source>工作模式切换</source>
        <translation>Work mode switch</translation>
    </message>
    <message>
        <source>参数设置</source>
        <translation>Parameter setting</translation>
    </message>
    <message>
        <source>DTU状态=%1</source>
        <translation>DTU state=%1</translation>
    </message>
</context>
<context>
    <name>ScriptProcessTexts</name>
    <message>
        <source>无法启动脚本进程：%1</source>
        <translation>cannot start the script process: %1</translation>
    </message>
</context>
<context>
    <name>ScriptTexts</name>
    <message>
        <source>脚本运行超过 %1 毫秒，已被中止</source>
        <translation>The script ran longer than %1 ms and was stopped</translation>
    </message>
    <message>
        <source>脚本占用内存超过 %1 MB，已被中止</source>
        <translation>The script used more than %1 MB of memory and was stopped</translation>
    </message>
    <message>
        <source>文件过大，脚本不能超过 %1 MB</source>
        <translation>the file is too large; a script may not exceed %1 MB</translation>
    </message>
    <message>
        <source>脚本结果超过 %1 个字符，未被采用</source>
        <translation>The script&apos;s result was longer than %1 characters and was not used</translation>
    </message>
    <message>
        <source>脚本运行时崩溃，已被中止</source>
        <translation>The script crashed the script engine and was stopped</translation>
    </message>
    <message>
        <source>脚本结果合计超过 %1 个字符，其余结果未被采用</source>
        <translation>The script&apos;s results together were longer than %1 characters; the rest were not used</translation>
    </message>
    <message>
        <source>本次已有 %1 项脚本运行超时，其余脚本未运行</source>
        <translation>%1 scripts of this run already ran out of time; the rest were not run</translation>
    </message>
</context>
<context>
    <name>StationNotice</name>
    <message>
        <source>配方未指定设备标识：同一端口上换上一台相同的设备，要等端口静默一次才会发现</source>
        <translation>no identity in the recipe: a unit swapped for an identical one on a port that stays is noticed only once the port was silent</translation>
    </message>
</context>
<context>
    <name>StationWindow</name>
    <message>
        <source>生产工位</source>
        <translation>Production Station</translation>
    </message>
    <message>
        <source>未打开配方</source>
        <translation>No recipe open</translation>
    </message>
    <message>
        <source>打开配方</source>
        <translation>Open Recipe</translation>
    </message>
    <message>
        <source>编辑配方</source>
        <translation>Edit Recipe</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>不合格时响铃</source>
        <translation>Beep on FAIL</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>原因</source>
        <translation>Reason</translation>
    </message>
    <message>
        <source>最近的不合格</source>
        <translation>Last failures</translation>
    </message>
    <message>
        <source>工位运行中，请先停止再打开配方</source>
        <translation>The station is running; stop it before opening a recipe</translation>
    </message>
    <message>
        <source>无法打开配方：%1</source>
        <translation>Cannot open the recipe: %1</translation>
    </message>
    <message>
        <source>配方：%1    工位：%2</source>
        <translation>Recipe: %1    Station: %2</translation>
    </message>
    <message>
        <source>配方 (*.json);;所有文件 (*)</source>
        <translation>Recipes (*.json);;All files (*)</translation>
    </message>
    <message>
        <source>编辑配方需要二级权限</source>
        <translation>Editing the recipe needs privilege level 2</translation>
    </message>
    <message>
        <source>新建配方</source>
        <translation>New Recipe</translation>
    </message>
    <message>
        <source>配方 (*.json)</source>
        <translation>Recipes (*.json)</translation>
    </message>
    <message>
        <source>请先打开配方</source>
        <translation>Open a recipe first</translation>
    </message>
    <message>
        <source>工位无法开始：%1</source>
        <translation>The station cannot start: %1</translation>
    </message>
    <message>
        <source>配方没有端口，也没有TCP主机</source>
        <translation>The recipe names no ports and no TCP hosts</translation>
    </message>
    <message>
        <source>已达到目标</source>
        <translation>Target reached</translation>
    </message>
    <message>
        <source>已停止</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>正在开始…</source>
        <translation>Starting…</translation>
    </message>
    <message>
        <source>运行中</source>
        <translation>Running</translation>
    </message>
    <message>
        <source>正在停止，等待进行中的单元完成…</source>
        <translation>Stopping: finishing the units in progress…</translation>
    </message>
    <message>
        <source>关闭工位</source>
        <translation>Close the Station</translation>
    </message>
    <message>
        <source>还有 %1 台单元正在进行。停止工位，等它们完成并记录后关闭？</source>
        <translation>%1 unit(s) are in progress. Stop the station and close once they are finished and recorded?</translation>
    </message>
    <message>
        <source>合格 %1</source>
        <translation>Passed %1</translation>
    </message>
    <message>
        <source>不合格 %1</source>
        <translation>Failed %1</translation>
    </message>
    <message>
        <source>完成 %1/%2</source>
        <translation>Done %1/%2</translation>
    </message>
    <message>
        <source>完成 %1</source>
        <translation>Done %1</translation>
    </message>
    <message>
        <source>每小时 %1 台</source>
        <translation>%1 units/h</translation>
    </message>
    <message>
        <source>每小时 – 台</source>
        <translation>– units/h</translation>
    </message>
    <message>
        <source>一次通过率 %1%</source>
        <translation>First-pass yield %1%</translation>
    </message>
    <message>
        <source>一次通过率 –</source>
        <translation>First-pass yield –</translation>
    </message>
    <message>
        <source>标签打印失败：%1</source>
        <translation>Label printing failed: %1</translation>
    </message>
    <message>
        <source>标签：%1</source>
        <translation>Label: %1</translation>
    </message>
    <message>
        <source>已达到目标：%1 台合格</source>
        <translation>Target reached: %1 units passed</translation>
    </message>
    <message>
        <source>新班次</source>
        <translation>New shift</translation>
    </message>
    <message>
        <source>本班次开始于 %1</source>
        <translation>This shift started at %1</translation>
    </message>
</context>
<context>
    <name>TimedQueryTexts</name>
    <message>
        <source>设置失败:定时查询周期不能为空!</source>
        <translation>Setting failed: the timed query period must not be empty!</translation>
    </message>
    <message>
        <source>设置失败:定时查询周期不能大于6500秒!</source>
        <translation>Setting failed: the timed query period must not exceed 6500 seconds!</translation>
    </message>
    <message>
        <source>设置失败:定时查询周期不为0!</source>
        <translation>Setting failed: the timed query period must not be 0!</translation>
    </message>
    <message>
        <source>设置失败:定时查询命令内容不能为空!</source>
        <translation>Setting failed: the timed query command must not be empty!</translation>
    </message>
    <message>
        <source>设置定时查询参数  状态:启用,  查询周期</source>
        <translation>Set timed query  state: enabled,  period </translation>
    </message>
    <message>
        <source>设置定时查询参数  状态:不启用,  查询周期</source>
        <translation>Set timed query  state: disabled,  period </translation>
    </message>
    <message>
        <source>秒</source>
        <translation> s</translation>
    </message>
    <message>
        <source>定时查询命令内容:[HEX:</source>
        <translation>Timed query command: [HEX:</translation>
    </message>
    <message>
        <source>定时查询命令内容:</source>
        <translation>Timed query command: </translation>
    </message>
</context>
<context>
    <name>TransparentPageTexts</name>
    <message>
        <source> 发送数据：</source>
        <translation> Data sent: </translation>
    </message>
    <message>
        <source>对话显示窗口</source>
        <translation>Conversation</translation>
    </message>
    <message>
        <source>文字输入窗口(文本模式)</source>
        <translation>Text Input (text mode)</translation>
    </message>
    <message>
        <source>添加HEX字符</source>
        <translation>Add HEX Bytes</translation>
    </message>
    <message>
        <source>重复发送次数       </source>
        <translation>Repeat count       </translation>
    </message>
    <message>
        <source> 显示十六进制值     </source>
        <translation> Show hex values     </translation>
    </message>
    <message>
        <source>统计清零</source>
        <translation>Reset Counters</translation>
    </message>
    <message>
        <source>收发文件</source>
        <translation>Send/Receive File</translation>
    </message>
    <message>
        <source>发送数据</source>
        <translation>Send Data</translation>
    </message>
    <message>
        <source>次]</source>
        <translation> times]</translation>
    </message>
    <message>
        <source>文字输入窗口[HEX模式]</source>
        <translation>Text Input [HEX mode]</translation>
    </message>
    <message>
        <source>文字输入窗口</source>
        <translation>Text Input</translation>
    </message>
</context>
<context>
    <name>UnitFailure</name>
    <message>
        <source>没有应答</source>
        <translation>No answer</translation>
    </message>
    <message>
        <source>端口无法打开</source>
        <translation>Port cannot be opened</translation>
    </message>
    <message>
        <source>端口断开</source>
        <translation>Port lost</translation>
    </message>
    <message>
        <source>读取失败</source>
        <translation>Read failed</translation>
    </message>
    <message>
        <source>读回失败</source>
        <translation>Read-back failed</translation>
    </message>
    <message>
        <source>写入被拒绝</source>
        <translation>Write refused</translation>
    </message>
    <message>
        <source>读回不一致</source>
        <translation>Read-back differs</translation>
    </message>
    <message>
        <source>读回缺项</source>
        <translation>Read-back missing</translation>
    </message>
    <message>
        <source>没有可用的值</source>
        <translation>No values left</translation>
    </message>
    <message>
        <source>值被拒绝</source>
        <translation>Value refused</translation>
    </message>
    <message>
        <source>数据库没有应答</source>
        <translation>Database not answering</translation>
    </message>
    <message>
        <source>数据库错误</source>
        <translation>Database error</translation>
    </message>
    <message>
        <source>未能记录</source>
        <translation>Not recorded</translation>
    </message>
    <message>
        <source>标准配置无法读取</source>
        <translation>Golden unreadable</translation>
    </message>
    <message>
        <source>脚本无法使用</source>
        <translation>Script unusable</translation>
    </message>
    <message>
        <source>未知参数</source>
        <translation>Unknown parameter</translation>
    </message>
    <message>
        <source>设备标识为空</source>
        <translation>Identity empty</translation>
    </message>
    <message>
        <source>设备标识重复</source>
        <translation>Identity on two ports</translation>
    </message>
    <message>
        <source>工位关闭</source>
        <translation>Station closing</translation>
    </message>
    <message>
        <source>%1 (%2)：应为“%3”，设备的回答中没有这一项</source>
        <translation>%1 (%2): expected &quot;%3&quot;, missing from the unit&apos;s answer</translation>
    </message>
    <message>
        <source>%1 (%2)：应为“%3”，读回“%4”</source>
        <translation>%1 (%2): expected &quot;%3&quot;, read back &quot;%4&quot;</translation>
    </message>
    <message>
        <source>%1 (%2)：写入“%3”，读回“%4”</source>
        <translation>%1 (%2): wrote &quot;%3&quot;, read back &quot;%4&quot;</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>没有设备应答（读取版本：%1）</source>
        <translation>no unit answered (reading the version: %1)</translation>
    </message>
    <message>
        <source>无法打开 %1：%2</source>
        <translation>cannot open %1: %2</translation>
    </message>
    <message>
        <source>端口 %1 已断开（%2）</source>
        <translation>port %1 lost (%2)</translation>
    </message>
    <message>
        <source>读取设备参数失败：%1</source>
        <translation>reading the unit failed: %1</translation>
    </message>
    <message>
        <source>读回参数失败：%1</source>
        <translation>reading back failed: %1</translation>
    </message>
    <message>
        <source>写入 %1 (%2)=%3 失败：%4</source>
        <translation>writing %1 (%2)=%3 failed: %4</translation>
    </message>
    <message>
        <source>读回不一致：%1</source>
        <translation>read-back differs: %1</translation>
    </message>
    <message>
        <source>%1 中已没有可用的值（每一行的值都已发出）</source>
        <translation>no values left in %1 (every row&apos;s values handed out)</translation>
    </message>
    <message>
        <source>设备值被拒绝，未写入任何参数：%1</source>
        <translation>unit value refused, nothing written: %1</translation>
    </message>
    <message>
        <source>数据库没有应答（%1）：%2</source>
        <translation>database not answering (%1): %2</translation>
    </message>
    <message>
        <source>数据库错误：%1</source>
        <translation>database error: %1</translation>
    </message>
    <message>
        <source>已写入但未能记录：%1</source>
        <translation>provisioned but not recorded: %1</translation>
    </message>
    <message>
        <source>无法读取标准配置 %1：%2</source>
        <translation>golden unreadable %1: %2</translation>
    </message>
    <message>
        <source>无法使用脚本文件 %1：%2</source>
        <translation>cannot use the script file %1: %2</translation>
    </message>
    <message>
        <source>标准配置中没有参数“%1”</source>
        <translation>no parameter &quot;%1&quot; in the golden profile</translation>
    </message>
    <message>
        <source>设备的 %1 (%2) 为空，无法识别这台设备，未发出任何值</source>
        <translation>the unit&apos;s %1 (%2) is empty: it cannot be told apart, nothing was handed out</translation>
    </message>
    <message>
        <source>设备标识 %1 同时出现在两个端口上（%2 和 %3）</source>
        <translation>identity %1 answers on two ports (%2 and %3)</translation>
    </message>
    <message>
        <source>工位正在关闭</source>
        <translation>the station is closing</translation>
    </message>
    <message>
        <source>已完成（设备仍保存着标准配置和发给它的值）</source>
        <translation>already done (the unit still holds the golden and its values)</translation>
    </message>
    <message>
        <source>写入 %1 (%2)=%3 时设备没有应答</source>
        <translation>writing %1 (%2)=%3: the unit did not answer</translation>
    </message>
    <message>
        <source>写入无应答</source>
        <translation>Write not answered</translation>
    </message>
</context>
<context>
    <name>UnitTile</name>
    <message>
        <source>补打标签</source>
        <translation>Reprint</translation>
    </message>
    <message>
        <source>等待</source>
        <translation>Waiting</translation>
    </message>
    <message>
        <source>写入 %1/%2</source>
        <translation>Writing %1/%2</translation>
    </message>
    <message>
        <source>校验 %1/%2</source>
        <translation>Verifying %1/%2</translation>
    </message>
    <message>
        <source>读取中</source>
        <translation>Reading</translation>
    </message>
    <message>
        <source>%1  用时 %2 秒</source>
        <translation>%1  %2 s</translation>
    </message>
    <message>
        <source>合格</source>
        <translation>PASS</translation>
    </message>
    <message>
        <source>已做过</source>
        <translation>DONE BEFORE</translation>
    </message>
    <message>
        <source>不合格</source>
        <translation>FAIL</translation>
    </message>
    <message>
        <source>标签打印失败：%1</source>
        <translation>Label printing failed: %1</translation>
    </message>
    <message>
        <source>标识 %1</source>
        <translation>ID %1</translation>
    </message>
    <message>
        <source>（沿用先前发给它的值）</source>
        <translation>(the values it was given before)</translation>
    </message>
    <message>
        <source>原有：%1</source>
        <translation>held before: %1</translation>
    </message>
</context>
<context>
    <name>ValueTexts</name>
    <message>
        <source>取值列表应为两个数组</source>
        <translation>The value list must be two arrays</translation>
    </message>
    <message>
        <source>取值列表的两个数组长度不一致</source>
        <translation>The two arrays of the value list differ in length</translation>
    </message>
    <message>
        <source>取值列表嵌套超过 %1 层</source>
        <translation>The value list is nested deeper than %1 levels</translation>
    </message>
</context>
</TS>
