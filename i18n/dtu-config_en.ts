<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>ButtonTableTexts</name>
    <message>
        <source>命令名称</source>
        <translation>Command name</translation>
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
    <name>FileTexts</name>
    <message>
        <source>无法写入文件 %1：%2</source>
        <translation>Cannot write file %1: %2</translation>
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
</context>
<context>
    <name>ScriptTexts</name>
    <message>
        <source>脚本运行超过 %1 毫秒，已被中止</source>
        <translation>The script ran longer than %1 ms and was stopped</translation>
    </message>
    <message>
        <source>无法打开文件 %1：%2</source>
        <translation>Cannot open file %1: %2</translation>
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
    <name>ValueTexts</name>
    <message>
        <source>取值列表应为两个数组</source>
        <translation>The value list must be two arrays</translation>
    </message>
    <message>
        <source>取值列表的两个数组长度不一致</source>
        <translation>The two arrays of the value list differ in length</translation>
    </message>
</context>
</TS>
