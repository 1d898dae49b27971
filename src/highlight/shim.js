// Run-time half of the highlighter's compatibility layer, evaluated in the script engine before the
// bundled highlight.js (the build-time half is bundle/BundleTransform). Each part restores one
// behaviour of the standard that Qt 6.4's engine lacks and applies only where the engine lacks it.
(function (global) {
    "use strict";

    // 1. A console: the library reports deprecated options through console.log/warn/error. The
    //    program writes no log of its own, so the messages are dropped.
    if (typeof global.console !== "object" || global.console === null) {
        var quiet = function () {};
        global.console = {log: quiet, info: quiet, warn: quiet, error: quiet, debug: quiet};
    }

    // 2. A stable Array.prototype.sort. The engine's sort may reorder elements that compare equal;
    //    the library ranks automatic-detection candidates by relevance and relies on ties keeping
    //    their order. Merge sort, with undefined elements last and holes removed to the end, as
    //    the standard requires.
    function sortIsStable() {
        var probe = [];
        for (var i = 0; i < 32; ++i) probe.push({key: i % 2, index: i});
        probe.sort(function (a, b) { return a.key - b.key; });
        for (var j = 1; j < probe.length; ++j)
            if (probe[j - 1].key === probe[j].key && probe[j - 1].index > probe[j].index) return false;
        return true;
    }
    if (!sortIsStable()) {
        var defaultCompare = function (a, b) {
            var x = String(a), y = String(b);
            return x < y ? -1 : (x > y ? 1 : 0);
        };
        var mergeSort = function (values, compare) {
            var buffer = new Array(values.length);
            for (var width = 1; width < values.length; width *= 2) {
                for (var left = 0; left < values.length; left += 2 * width) {
                    var middle = Math.min(left + width, values.length);
                    var right = Math.min(left + 2 * width, values.length);
                    var i = left, j = middle, k = left;
                    while (i < middle && j < right) buffer[k++] = compare(values[j], values[i]) < 0 ? values[j++] : values[i++];
                    while (i < middle) buffer[k++] = values[i++];
                    while (j < right) buffer[k++] = values[j++];
                }
                var swap = values; values = buffer; buffer = swap;
            }
            return values;
        };
        Object.defineProperty(Array.prototype, "sort", {
            configurable: true, writable: true, enumerable: false,
            value: function sort(comparefn) {
                if (comparefn !== undefined && typeof comparefn !== "function")
                    throw new TypeError("The comparison function must be either a function or undefined");
                var object = Object(this);
                var length = object.length >>> 0;
                var values = [], undefinedCount = 0;
                for (var i = 0; i < length; ++i) {
                    if (!(i in object)) continue;
                    if (object[i] === undefined) ++undefinedCount;
                    else values.push(object[i]);
                }
                var compare = comparefn === undefined ? defaultCompare : function (a, b) {
                    var order = +comparefn(a, b);
                    return order !== order ? 0 : order; // NaN counts as equal
                };
                values = mergeSort(values, compare);
                var at = 0;
                for (; at < values.length; ++at) object[at] = values[at];
                for (var u = 0; u < undefinedCount; ++u) object[at++] = undefined;
                for (; at < length; ++at) delete object[at];
                return object;
            }
        });
    }

    // 3. RegExp.prototype.source. The engine puts a backslash before every "/" of the pattern,
    //    including one that is already escaped, so /a\/b/.source reads "a\\/b" and a pattern
    //    rebuilt from it (as the library builds all of its patterns) matches a backslash that is
    //    not there. Removing the one inserted backslash before each "/" gives back the pattern.
    var sourceDescriptor = Object.getOwnPropertyDescriptor(RegExp.prototype, "source");
    if (sourceDescriptor && sourceDescriptor.get && /a\/b/.source === "a\\\\/b") {
        var nativeSource = sourceDescriptor.get;
        Object.defineProperty(RegExp.prototype, "source", {
            configurable: true, enumerable: false,
            get: function () {
                var text = nativeSource.call(this);
                return typeof text === "string" ? text.split("\\/").join("/") : text;
            }
        });
    }
})(this);
