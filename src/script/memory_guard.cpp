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
    // Sizes are converted once here and the converted value is what the built-in gets, so a
    // valueOf or a getter cannot answer small to the check and large to the allocation.
    function num(x) { return Number(x); }
    function count(n) { return n > 0 ? (n < Infinity ? n : Number.MAX_VALUE) : 0; }
    function fix(obj, name, value) {
        Object.defineProperty(obj, name, {value: value, writable: false, configurable: false, enumerable: false});
    }
    var call = Function.prototype.call, apply = Function.prototype.apply;
    var isArray = Array.isArray, slice = Array.prototype.slice;
    function invoke(f, self, args) { return apply.call(f, self, args); }
    // Each guard turns the arguments into the ones the built-in is called with.
    // A plain function rather than a Proxy: the engine refuses `instanceof` with a Proxy, and
    // scripts test their buffers with it. Statics and the prototype stay the built-in's own.
    function wrapConstructor(name, prepare) {
        var C = global[name];
        if (typeof C !== 'function')
            return;
        var W = function () {
            var args = prepare(slice.call(arguments));
            if (new.target === undefined)
                return invoke(C, this, args);
            return Reflect.construct(C, args, new.target === W ? C : new.target);
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
    var Buffer = global.ArrayBuffer, Shared = global.SharedArrayBuffer;
    function isBuffer(x) { return x instanceof Buffer || (typeof Shared === 'function' && x instanceof Shared); }
    function sized(a) {
        if (a.length > 0) { a[0] = num(a[0]); need(count(a[0])); }
        return a;
    }
    wrapConstructor('ArrayBuffer', sized);
    wrapConstructor('SharedArrayBuffer', sized);
    ['Int8Array', 'Uint8Array', 'Uint8ClampedArray', 'Int16Array', 'Uint16Array', 'Int32Array',
     'Uint32Array', 'Float32Array', 'Float64Array', 'BigInt64Array', 'BigUint64Array'].forEach(function (name) {
        var C = global[name];
        if (typeof C !== 'function')
            return;
        var size = C.BYTES_PER_ELEMENT;
        wrapConstructor(name, function (a) {
            var x = a[0];
            if (x === null || (typeof x !== 'object' && typeof x !== 'function')) {
                if (a.length > 0) { a[0] = num(x); need(count(a[0]) * size); }
            } else if (isBuffer(x)) {
                // A view on a buffer that exists allocates nothing; its offsets are the engine's to check.
            } else if (!ArrayBuffer.isView(x) && !isArray(x)) {
                // An array-like: its length is read once, and the view is made from a plain copy.
                var n = count(num(x.length));
                need(n * (size + 16));
                a[0] = slice.call(x, 0, n);
            } else {
                need(count(x.length) * size);
            }
            return a;
        });
    });
    var S = String.prototype, A = Array.prototype;
    var repeat = S.repeat, padStart = S.padStart, padEnd = S.padEnd, split = S.split, concat = S.concat;
    var replace = S.replace, replaceAll = S.replaceAll;
    var fill = A.fill, join = A.join, aconcat = A.concat, from = Array.from, stringify = JSON.stringify;
    fix(S, 'repeat', function (n) {
        var self = String(this), c = num(n);
        need(self.length * count(c) * 2);
        return call.call(repeat, self, c);
    });
    function padder(pad) {
        return function (n, s) {
            var self = String(this), len = num(n), filler = s === undefined ? undefined : String(s);
            need(count(len) * 2);
            return call.call(pad, self, len, filler);
        };
    }
    fix(S, 'padStart', padder(padStart));
    fix(S, 'padEnd', padder(padEnd));
    fix(S, 'split', function (sep, limit) {
        var self = String(this), lim = limit === undefined ? undefined : num(limit);
        // At worst one short string per character.
        need(Math.min(self.length, lim === undefined ? Infinity : count(lim)) * 48 + self.length * 2);
        return call.call(split, self, sep, lim);
    });
    fix(S, 'concat', function () {
        var parts = [String(this)], total = parts[0].length;
        for (var i = 0; i < arguments.length; ++i) {
            parts.push(String(arguments[i]));
            total += parts[i + 1].length;
        }
        need(total * 2);
        return invoke(concat, parts[0], parts.slice(1));
    });
    function replacer(f) {
        return function (pattern, replacement) {
            var self = String(this);
            if (typeof replacement !== 'function') {
                replacement = String(replacement);
                // At worst every position matches.
                need((self.length + 1) * Math.max(1, replacement.length) * 2);
            }
            return call.call(f, self, pattern, replacement);
        };
    }
    fix(S, 'replace', replacer(replace));
    if (typeof replaceAll === 'function')
        fix(S, 'replaceAll', replacer(replaceAll));
    fix(A, 'fill', function (v, start, end) {
        var len = count(num(Object(this).length));
        var s = start === undefined ? 0 : num(start), e = end === undefined ? len : num(end);
        need(Math.max(0, Math.min(len, count(e)) - count(s)) * 16);
        return call.call(fill, this, v, s, e);
    });
    fix(A, 'join', function (sep) {
        var o = Object(this), len = count(num(o.length));
        var gap = sep === undefined ? ',' : String(sep);
        need(Math.max(0, len - 1) * gap.length * 2);
        // Each element as text once; the total is known before the one allocation.
        var texts = [], total = 0;
        for (var i = 0; i < len; ++i) {
            var v = o[i];
            var t = v === undefined || v === null ? '' : String(v);
            total += t.length;
            if (total > ASK)
                need(total * 2 + Math.max(0, len - 1) * gap.length * 2);
            texts.push(t);
        }
        return call.call(join, texts, gap);
    });
    fix(A, 'concat', function () {
        var total = count(num(Object(this).length));
        for (var i = 0; i < arguments.length; ++i) {
            var x = arguments[i];
            total += isArray(x) ? count(x.length) : 1;
        }
        need(total * 16);
        return invoke(aconcat, this, slice.call(arguments));
    });
    fix(Array, 'from', function (items) {
        var args = slice.call(arguments);
        if (items !== null && items !== undefined && typeof items !== 'string' && !isArray(items)) {
            var n = count(num(Object(items).length));
            need(n * 16);
            if (typeof items[Symbol.iterator] !== 'function')
                args[0] = slice.call(items, 0, n);
        }
        return invoke(from, this, args);
    });
    fix(JSON, 'stringify', function (value, replacerFn, space) {
        // The text of everything reachable, counted before it is built (strings dominate).
        var seen = [], total = 0;
        (function walk(v, depth) {
            if (depth > 64 || total > 1e10)
                return;
            if (typeof v === 'string') { total += v.length + 2; return; }
            if (v === null || typeof v !== 'object') { total += 8; return; }
            if (seen.indexOf(v) >= 0 || seen.length > 100000)
                return;
            seen.push(v);
            var keys = Object.keys(v);
            total += keys.length * 4;
            for (var i = 0; i < keys.length; ++i) {
                if (!isArray(v))
                    total += keys[i].length;
                walk(v[keys[i]], depth + 1);
            }
        })(value, 0);
        need(total * 4);
        return call.call(stringify, JSON, value, replacerFn, space);
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
