// A small CommonJS loader for the React tests' page: React publishes no browser module, so its
// CommonJS files are read with synchronous requests (file:// with --allow-file-access-from-files)
// and run here, in development mode so that React's warnings reach the console.
// loadCommonJs(id, packages): `packages` maps a bare package name to its folder's URL.
(function () {
    const cache = new Map();
    const process = { env: { NODE_ENV: "development" } };

    function read(url) {
        const request = new XMLHttpRequest();
        request.open("GET", url, false);
        request.send();
        if (!request.responseText) throw new Error("cannot read " + url);
        return request.responseText;
    }

    function resolve(id, from, packages) {
        let url;
        if (id.startsWith("./") || id.startsWith("../")) {
            url = new URL(id, from).href;
        } else {
            const [name, ...rest] = id.split("/");
            if (!(name in packages)) throw new Error("no package for require(\"" + id + "\")");
            url = packages[name] + "/" + (rest.length ? rest.join("/") : "index");
        }
        return url.endsWith(".js") ? url : url + ".js";
    }

    function load(url, packages) {
        const cached = cache.get(url);
        if (cached) return cached.exports;
        const module = { exports: {} };
        cache.set(url, module);
        const body = new Function("module", "exports", "require", "process", read(url) + "\n//# sourceURL=" + url);
        body(module, module.exports, (id) => load(resolve(id, url, packages), packages), process);
        return module.exports;
    }

    window.loadCommonJs = (id, packages) => load(resolve(id, location.href, packages), packages);
})();
