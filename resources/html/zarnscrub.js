/*
 * What the pages of the removal of out-of-date runtimes share, on top of zarn_page.js: the wizard's
 * header band with the logo, a body that fills the room between the header and the buttons (scrolling
 * when a long list needs it), the fonts of the page's language, and the version lists the host fills.
 * ES5 only.
 */
var zarnScrub = (function () {
    "use strict";

    var svgNamespace = "http://www.w3.org/2000/svg";

    function byId(id) {
        return document.getElementById(id);
    }

    function textOf(element) {
        return typeof element.textContent === "string" ? element.textContent : element.innerText;
    }

    // Host texts go in as text: a version name never becomes markup.
    function setText(element, text) {
        while (element.firstChild) {
            element.removeChild(element.firstChild);
        }
        element.appendChild(document.createTextNode(text));
    }

    function show(element, visible) {
        element.style.display = visible ? "" : "none";
    }

    // ---- the header band: the wizard's bitmap, drawn the same way at the page's scale ----

    function svg(name, attributes, parent) {
        var element = document.createElementNS(svgNamespace, name);
        for (var key in attributes) {
            if (attributes.hasOwnProperty(key)) {
                element.setAttribute(key, attributes[key]);
            }
        }
        if (parent) {
            parent.appendChild(element);
        }
        return element;
    }

    function strokes(parent, colour, width, paths) {
        for (var i = 0; i < paths.length; ++i) {
            svg("path", { d: paths[i], fill: "none", stroke: colour, "stroke-width": width, "stroke-linecap": "round",
                          "stroke-linejoin": "round" }, parent);
        }
    }

    function drawBand() {
        var header = byId("header");
        if (!header || !document.createElementNS || byId("band")) {
            return;
        }
        var band = document.createElement("div");
        band.id = "band";
        header.insertBefore(band, header.firstChild);

        // Coordinates are those of the bitmap's 88-pixel-high drawing.
        var sky = svg("svg", { "class": "sky", width: "100%", height: "100%", focusable: "false" }, band);
        var shade = svg("linearGradient", { id: "bandShade", x1: "0", y1: "0", x2: "1", y2: "0" }, svg("defs", {}, sky));
        svg("stop", { offset: "0", "stop-color": "#123a5c" }, shade);
        svg("stop", { offset: "1", "stop-color": "#226a8f" }, shade);
        svg("rect", { width: "100%", height: "100%", fill: "url(#bandShade)" }, sky);

        var logo = svg("svg", { "class": "logo", viewBox: "0 0 250 88", focusable: "false" }, band);
        svg("rect", { x: "22", y: "14", width: "60", height: "60", rx: "12", ry: "12", fill: "#ffffff" }, logo);
        strokes(logo, "#247096", 8, ["M38.8 30.8H65.2L38.8 57.2H65.2"]);
        strokes(logo, "#ffffff", 7, [
            "M100 24H124.8L100 64H124.8",                              // Z
            "M160 40V64",                                               // a's stem
            "M171.2 40V64M171.2 50.8A10.8 10.8 0 0 1 182 40",           // r
            "M197.2 40V64M197.2 52A12 12 0 0 1 221.2 52V64"             // n
        ]);
        svg("circle", { cx: "148", cy: "52", r: "8.5", fill: "none", stroke: "#ffffff", "stroke-width": "7" }, logo);

        var rings = svg("svg", { "class": "rings", viewBox: "0 0 200 88", focusable: "false" }, band);
        var radii = [150, 118, 86];
        for (var i = 0; i < radii.length; ++i) {
            svg("circle", { cx: "160", cy: "44", r: String(radii[i]), fill: "none", stroke: "#ffffff",
                            "stroke-width": "14", "stroke-opacity": String(0.05 + 0.03 * i) }, rings);
        }
        svg("circle", { cx: "160", cy: "44", r: "30", fill: "#5ca878", "fill-opacity": "0.55" }, rings);
        svg("circle", { cx: "160", cy: "44", r: "15", fill: "#f6c45c", "fill-opacity": "0.9" }, rings);
    }

    // ---- layout ----

    function fitBody() {
        var header = byId("header");
        var main = byId("main");
        var footer = byId("footer");
        if (header && main && footer) {
            main.style.top = header.offsetHeight + "px";
            main.style.bottom = footer.offsetHeight + "px";
        }
    }

    // The language picks the system's fonts for its script (see zarnscrub.css).
    function markLanguage() {
        var locale = zarnPage.host.getLocale();
        document.documentElement.lang = locale.replace("_", "-");
    }

    function start() {
        zarnPage.start();
        try {
            markLanguage();
            drawBand();
        } catch (e) {
            zarnPage.log.error("page decoration failed: " + (e.message || String(e)));
        }
        fitBody();
    }

    if (window.addEventListener) {
        window.addEventListener("load", start, false);
        window.addEventListener("resize", fitBody, false);
    } else {
        window.attachEvent("onload", start);
        window.attachEvent("onresize", fitBody);
    }

    // ---- lists ----

    // Adds a row with `text` to the list of id `listId`; returns the row.
    function addListRow(listId, text) {
        var list = byId(listId);
        var row = document.createElement("li");
        setText(row, text);
        list.appendChild(row);
        return row;
    }

    // "{0}", "{1}", ... in a localised pattern replaced by the arguments.
    function format(pattern) {
        var values = arguments;
        return pattern.replace(/\{([0-9]+)\}/g, function (whole, index) {
            var value = values[Number(index) + 1];
            return value === undefined ? whole : String(value);
        });
    }

    // Gives the button the focus when it is shown and enabled: a view that changes after the load has
    // lost zarn_page.js's own focusing.
    function focusButton(id) {
        var button = byId(id);
        if (button && !button.disabled && button.offsetWidth > 0) {
            try {
                button.focus();
            } catch (e) {
                // Not focusable now: the user's Tab still reaches it.
            }
        }
    }

    return {
        byId: byId,
        textOf: textOf,
        setText: setText,
        show: show,
        addListRow: addListRow,
        format: format,
        focusButton: focusButton,
        fitBody: fitBody
    };
})();
