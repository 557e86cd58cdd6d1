#include "script/memory_guard.h"

#include <QJSEngine>
#include <QJSValue>

#include <fcntl.h>
#include <unistd.h>

qint64 ResidentBytes()
{
    // One descriptor kept open: pread on it is a few microseconds, opening the file each time is not.
    static const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char buf[128];
    const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
    if (n <= 0)
        return 0;
    buf[n] = '\0';
    // "size resident shared ...", in pages.
    const char *p = buf;
    while (*p && *p != ' ')
        ++p;
    const long long pages = std::strtoll(p, nullptr, 10);
    return pages * sysconf(_SC_PAGESIZE);
}

namespace {
// The wrappers: each asks the guard before a step that allocates in proportion to an argument.
// Small requests never ask. Replaced properties are made read-only so a script cannot put the
// unguarded built-in back (it never holds a reference to it).
const char *const kPrelude = R"JS(
(function (guard, global) {
    'use strict';
    var ASK = 1048576;
    function need(bytes) {
        if (bytes > ASK && !guard.allows(bytes))
            throw new RangeError('script memory limit');
    }
    function count(x) {
        var n = Number(x);
        return n > 0 && n < Infinity ? n : (n === Infinity ? Number.MAX_VALUE : 0);
    }
    function fix(obj, name, value) {
        Object.defineProperty(obj, name, {value: value, writable: false, configurable: false, enumerable: false});
    }
    // A plain function rather than a Proxy: the engine refuses `instanceof` with a Proxy, and
    // scripts test their buffers with it. Statics and the prototype stay the built-in's own.
    function wrapConstructor(name, bytesOf) {
        var C = global[name];
        if (typeof C !== 'function')
            return;
        var W = function () {
            need(bytesOf(arguments));
            if (new.target === undefined)
                return C.apply(this, arguments);
            return Reflect.construct(C, arguments, new.target === W ? C : new.target);
        };
        Object.getOwnPropertyNames(C).forEach(function (k) {
            if (k !== 'length' && k !== 'name' && k !== 'prototype' && k !== 'caller' && k !== 'arguments')
                Object.defineProperty(W, k, Object.getOwnPropertyDescriptor(C, k));
        });
        Object.setPrototypeOf(W, Object.getPrototypeOf(C));
        W.prototype = C.prototype;
        fix(C.prototype, 'constructor', W);
        fix(global, name, W);
    }
    var buffer = global.ArrayBuffer;
    wrapConstructor('ArrayBuffer', function (a) { return count(a[0]); });
    wrapConstructor('SharedArrayBuffer', function (a) { return count(a[0]); });
    ['Int8Array', 'Uint8Array', 'Uint8ClampedArray', 'Int16Array', 'Uint16Array', 'Int32Array',
     'Uint32Array', 'Float32Array', 'Float64Array', 'BigInt64Array', 'BigUint64Array'].forEach(function (name) {
        var C = global[name];
        if (typeof C !== 'function')
            return;
        var size = C.BYTES_PER_ELEMENT;
        wrapConstructor(name, function (a) {
            var x = a[0];
            if (typeof x === 'number' || typeof x === 'string')
                return count(x) * size;
            if (x !== null && typeof x === 'object' && !(x instanceof buffer))
                return count(x.length) * size;
            return 0;
        });
    });
    var S = String.prototype, A = Array.prototype;
    var repeat = S.repeat, padStart = S.padStart, padEnd = S.padEnd, fill = A.fill, join = A.join;
    var from = Array.from;
    fix(S, 'repeat', function (n) { need(String(this).length * count(n) * 2); return repeat.call(this, n); });
    fix(S, 'padStart', function (n, s) { need(count(n) * 2); return padStart.call(this, n, s); });
    fix(S, 'padEnd', function (n, s) { need(count(n) * 2); return padEnd.call(this, n, s); });
    fix(A, 'fill', function (v, start, end) {
        var len = count(Object(this).length);
        var s = start === undefined ? 0 : count(start), e = end === undefined ? len : Math.min(len, count(end));
        need(Math.max(0, e - s) * 16);
        return fill.apply(this, arguments);
    });
    fix(A, 'join', function (sep) {
        var len = count(Object(this).length);
        var gap = sep === undefined ? 1 : String(sep).length;
        need(Math.max(0, len - 1) * gap * 2 + len * 2);
        return join.apply(this, arguments);
    });
    fix(Array, 'from', function (items) {
        if (items !== null && items !== undefined && typeof items !== 'string')
            need(count(Object(items).length) * 16);
        return from.apply(this, arguments);
    });
})
)JS";
} // namespace

ScriptMemoryGuard::ScriptMemoryGuard(QJSEngine &engine) : m_engine(engine)
{
    QJSEngine::setObjectOwnership(this, QJSEngine::CppOwnership);
    const QJSValue install = m_engine.evaluate(QString::fromLatin1(kPrelude));
    if (install.isCallable())
        install.call({m_engine.newQObject(this), m_engine.globalObject()});
}

void ScriptMemoryGuard::begin(qint64 limitBytes)
{
    m_limit = limitBytes;
    m_tripped = false;
    m_baseline = limitBytes > 0 ? ResidentBytes() : 0;
}

bool ScriptMemoryGuard::allows(double bytes)
{
    if (m_limit <= 0)
        return true;
    const double grown = double(ResidentBytes() - m_baseline);
    if (grown + bytes <= double(m_limit))
        return true;
    m_tripped = true;
    // Stops the evaluation even if the script catches the RangeError.
    m_engine.setInterrupted(true);
    return false;
}
