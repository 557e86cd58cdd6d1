// Command words and value conversions for the demo DTU-200 profiles.
// Globals set by the tool: hexinput (hex digits of a stored value or of a reply),
// ascinput (text typed by the user). Length and Mask are set by free-text ONLIST snippets.

var PREFIX = "";
var hexinput = "";
var ascinput = "";
var Length = 0;
var Mask = "";

var COMMANDS = {
    CMD_GETPARAM: "E001",
    CMD_REPLYCONFIG: "E081",
    CMD_GETDTUVER: "E003",
    CMD_GETSTATUS: "E004",
    CMD_RESET: "E005",
    CMD_SETDEFAULT: "E006"
};

function GetCmd(name) {
    return COMMANDS.hasOwnProperty(name) ? COMMANDS[name] : "";
}

function PrevCmd() {
    return PREFIX;
}

// ---- byte helpers -------------------------------------------------------

function hexBytes(hex) {
    var s = String(hex);
    var out = [];
    for (var i = 0; i + 1 < s.length; i += 2) {
        var b = parseInt(s.substr(i, 2), 16);
        out.push(isNaN(b) ? 0 : b);
    }
    return out;
}

function bytesHex(bytes) {
    var s = "";
    for (var i = 0; i < bytes.length; i++) {
        var h = (bytes[i] & 0xFF).toString(16).toUpperCase();
        s += h.length < 2 ? "0" + h : h;
    }
    return s;
}

// Unsigned big-endian integer of `count` bytes taken from the start of hexinput.
function readUnsigned(count) {
    var bytes = hexBytes(hexinput);
    var v = 0;
    for (var i = 0; i < count; i++)
        v = v * 256 + (i < bytes.length ? bytes[i] : 0);
    return String(v);
}

// ascinput as a decimal integer in 0 .. 256^count - 1, as `count` big-endian bytes.
function writeUnsigned(count) {
    var text = String(ascinput).trim();
    if (!/^[0-9]+$/.test(text))
        throw new Error("请输入十进制数字");
    var v = parseInt(text, 10);
    if (v >= Math.pow(256, count))
        throw new Error("数值超出范围");
    var bytes = [];
    for (var i = count - 1; i >= 0; i--) {
        bytes[i] = v % 256;
        v = Math.floor(v / 256);
    }
    return bytesHex(bytes);
}

// ---- conversions called by profile expressions ---------------------------

function GetU8() { return readUnsigned(1); }
function GetU16() { return readUnsigned(2); }
function GetU32() { return readUnsigned(4); }
function SetU8() { return writeUnsigned(1); }
function SetU16() { return writeUnsigned(2); }
function SetU32() { return writeUnsigned(4); }

function GetPort() { return readUnsigned(2); }
function SetPort() { return writeUnsigned(2); }

// Text: one byte per character; zero bytes (padding) are left out.
function GetStr() {
    var bytes = hexBytes(hexinput);
    var s = "";
    for (var i = 0; i < bytes.length; i++)
        if (bytes[i] !== 0)
            s += String.fromCharCode(bytes[i]);
    return s;
}

// Text to bytes: ASCII as is, other characters as UTF-8.
function SetStr() {
    var text = String(ascinput);
    var bytes = [];
    for (var i = 0; i < text.length; i++) {
        var c = text.charCodeAt(i);
        if (c < 0x80) {
            bytes.push(c);
        } else if (c < 0x800) {
            bytes.push(0xC0 | (c >> 6), 0x80 | (c & 0x3F));
        } else {
            bytes.push(0xE0 | (c >> 12), 0x80 | ((c >> 6) & 0x3F), 0x80 | (c & 0x3F));
        }
    }
    return bytesHex(bytes);
}

// IEEE-754 single precision, least significant byte first, shown with three decimals.
function GetFloat() {
    var bytes = hexBytes(hexinput);
    var view = new DataView(new ArrayBuffer(4));
    for (var i = 0; i < 4; i++)
        view.setUint8(i, i < bytes.length ? bytes[i] : 0);
    return view.getFloat32(0, true).toFixed(3);
}

function SetFloat() {
    var v = parseFloat(String(ascinput));
    if (isNaN(v))
        throw new Error("请输入数字");
    var view = new DataView(new ArrayBuffer(4));
    view.setFloat32(0, v, true);
    var bytes = [];
    for (var i = 0; i < 4; i++)
        bytes.push(view.getUint8(i));
    return bytesHex(bytes);
}

// IPv4 address: four bytes, first octet first.
function GetIp() {
    var bytes = hexBytes(hexinput);
    while (bytes.length < 4)
        bytes.push(0);
    return bytes.slice(0, 4).join(".");
}

function SetIp() {
    var parts = String(ascinput).trim().split(".");
    if (parts.length !== 4)
        throw new Error("IP地址格式错误");
    var bytes = [];
    for (var i = 0; i < 4; i++) {
        if (!/^[0-9]{1,3}$/.test(parts[i]) || parseInt(parts[i], 10) > 255)
            throw new Error("IP地址格式错误");
        bytes.push(parseInt(parts[i], 10));
    }
    return bytesHex(bytes);
}

// Raw hex digits, for values without a better form.
function GetHex() { return String(hexinput).toUpperCase(); }
function SetHex() { return String(ascinput).replace(/\s+/g, "").toUpperCase(); }

// ---- command window helpers ----------------------------------------------

// Reply frame AA 55 LEN(2) word(2) data... SUM(2): the data bytes, or null when it is no frame.
function ReplyData() {
    var bytes = hexBytes(hexinput);
    if (bytes.length < 8 || bytes[0] !== 0xAA || bytes[1] !== 0x55)
        return null;
    return bytes.slice(6, bytes.length - 2);
}

function SignalReply() {
    var data = ReplyData();
    if (data === null || data.length < 1)
        return "无有效应答：" + hexinput;
    return "信号强度：" + data[0];
}

function TextReply() {
    var data = ReplyData();
    if (data === null)
        return "无有效应答：" + hexinput;
    var s = "";
    for (var i = 0; i < data.length; i++)
        if (data[i] !== 0)
            s += String.fromCharCode(data[i]);
    return s;
}

function AckReply() {
    var data = hexBytes(hexinput);
    if (data.length === 0)
        return "设备无响应";
    return "应答：" + bytesHex(data);
}

function RawReply() {
    return "收到：" + GetStr();
}
