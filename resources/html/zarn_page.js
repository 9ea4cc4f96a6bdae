/*
 * What every dialog page does: reach the host through window.external (with fallbacks when the page
 * is opened elsewhere), move its templates into the common layout, localise itself from its WiX
 * localisation file, turn bracketed labels into links and "&" marks into access keys, give the focus
 * to its last button, and end on Escape as its close command does. ES5 only: the system's browser
 * control runs an old script engine.
 *
 * A page includes this file in its head, sets its link addresses in zarnPage.links (keyed by the id
 * of the element whose text holds the link: an address, or an object of addresses by key for
 * "[#key|label]"), and talks to the host through zarnPage.host.
 */
var zarnPage = (function () {
    "use strict";

    var templateNames = ["header", "main", "footer_left", "footer_right"];
    var loadPollMilliseconds = 10;
    var loadLimitMilliseconds = 5000;
    var started = false;

    // ---- the host ----

    // The host's methods are found by calling them: in the system's browser control a method of the
    // external object has the type "unknown", and a page opened in a browser has none (the call throws).
    // The control's methods cannot be applied to an argument array: call them with each count.
    function callHost(name, args) {
        var target = window.external;
        switch (args.length) {
        case 0: return target[name]();
        case 1: return target[name](args[0]);
        case 2: return target[name](args[0], args[1]);
        case 3: return target[name](args[0], args[1], args[2]);
        case 4: return target[name](args[0], args[1], args[2], args[3]);
        case 5: return target[name](args[0], args[1], args[2], args[3], args[4]);
        default: return target[name](args[0], args[1], args[2], args[3], args[4], args[5]);
        }
    }

    // The host's answer as { value }, or null without a host.
    function tryHost(name, args) {
        try {
            return { value: callHost(name, args) };
        } catch (e) {
            return null;
        }
    }

    function toArray(args) {
        var list = [];
        for (var i = 0; i < args.length; ++i) {
            list.push(args[i]);
        }
        return list;
    }

    // Whether the window's close command is enabled, as the page last set it: Escape follows it.
    var closeEnabled = true;

    var host = {
        log: function () {
            tryHost("log", toArray(arguments));
        },
        notify: function () {
            var args = toArray(arguments);
            if (tryHost("notify", args) === null) {
                window.alert("notify(" + args.join(", ") + ")");
            }
        },
        getLocale: function () {
            var answer = tryHost("getLocale", []);
            return answer === null ? "en" : String(answer.value);
        },
        setWindowProp: function (name, value) {
            if (String(name).toLowerCase() === "closebutton") {
                closeEnabled = Number(value) !== 0;
            }
            tryHost("setWindowProp", toArray(arguments));
        },
        delay: function (milliseconds) {
            tryHost("delay", [milliseconds]);
        }
    };

    function channel(name) {
        return function (text) {
            host.log(name, text);
        };
    }

    var log = {
        trace: channel("TRACE"),
        info: channel("INFO"),
        warning: channel("WARNING"),
        error: channel("ERROR"),
        // The bridge knows no channel above ERROR.
        fatal: channel("ERROR")
    };

    // ---- where the page is ----

    function pageUrl() {
        return String(window.location.href).replace(/[?#].*$/, "");
    }

    function pageDirectory() {
        var url = pageUrl();
        return url.substring(0, url.lastIndexOf("/") + 1);
    }

    function pageName() {
        var url = pageUrl();
        var file = url.substring(url.lastIndexOf("/") + 1);
        var dot = file.lastIndexOf(".");
        return dot > 0 ? file.substring(0, dot) : file;
    }

    // ---- the common layout ----

    function layoutElement(name, parent) {
        var element = document.getElementById(name);
        if (!element) {
            element = document.createElement("div");
            element.id = name;
            parent.appendChild(element);
        }
        return element;
    }

    function placeTemplates() {
        var layout = document.getElementById("layout");
        if (!layout) {
            layout = document.createElement("div");
            layout.id = "layout";
            document.body.appendChild(layout);
        }
        layoutElement("header", layout);
        layoutElement("main", layout);
        var footer = layoutElement("footer", layout);
        layoutElement("footer_left", footer);
        layoutElement("footer_right", footer);
        for (var i = 0; i < templateNames.length; ++i) {
            var template = document.getElementById(templateNames[i] + ".src");
            if (!template) {
                continue;
            }
            var target = document.getElementById(templateNames[i]);
            while (template.firstChild) {
                target.appendChild(template.firstChild);
            }
            template.parentNode.removeChild(template);
        }
    }

    // ---- localisation ----

    // The system's browser control has the XML document, which loads on its own and is polled; in edge
    // mode `window.ActiveXObject` reads as undefined there although it constructs, so it is tried.
    // Elsewhere a synchronous request has the file at once.
    function startLoad(url) {
        var xml = null;
        try {
            xml = new ActiveXObject("Microsoft.XMLDOM");
        } catch (e) {
            xml = null;
        }
        if (xml !== null) {
            xml.async = true;
            xml.load(url);
            return {
                loaded: function () {
                    return xml.readyState === 4;
                },
                result: function () {
                    return xml.parseError.errorCode !== 0 ? { error: xml.parseError.reason } : { document: xml };
                }
            };
        }
        var result;
        try {
            var request = new XMLHttpRequest();
            request.open("GET", url, false);
            request.send(null);
            result = request.status === 0 || request.status === 200 ? parseXml(request.responseText)
                                                                     : { error: "status " + request.status };
        } catch (e) {
            result = { error: e.message || String(e) };
        }
        return {
            loaded: function () {
                return true;
            },
            result: function () {
                return result;
            }
        };
    }

    function parseXml(text) {
        var parsed = new window.DOMParser().parseFromString(text, "application/xml");
        var errors = parsed.getElementsByTagName("parsererror");
        if (errors.length > 0) {
            var details = errors[0].getElementsByTagName("div");
            return { error: textOf(details.length > 0 ? details[0] : errors[0]).replace(/\s+$/, "") };
        }
        return { document: parsed };
    }

    function textOf(node) {
        return typeof node.textContent === "string" ? node.textContent : node.text;
    }

    // Removes the first "&" before a letter (not an entity) and returns the letter as access key.
    function takeAccessKey(text) {
        var entity = /^&(#[0-9]+|#x[0-9a-fA-F]+|[A-Za-z][A-Za-z0-9]*);/;
        for (var at = text.indexOf("&"); at >= 0; at = text.indexOf("&", at + 1)) {
            var rest = text.substring(at);
            if (entity.test(rest)) {
                continue;
            }
            if (/^&[A-Za-z0-9]/.test(rest)) {
                return { text: text.substring(0, at) + text.substring(at + 1), key: text.charAt(at + 1) };
            }
        }
        return { text: text, key: "" };
    }

    function linkAddress(id, key) {
        var entry = zarnPage.links[id];
        if (key === null) {
            return typeof entry === "string" ? entry : null;
        }
        return entry && typeof entry === "object" && typeof entry[key] === "string" ? entry[key] : null;
    }

    function linkClicked(address) {
        return function () {
            if (address === null) {
                host.notify("a");
            } else {
                host.notify("a", address);
            }
            return false;
        };
    }

    // "[label]" and "[#key|label]" become anchors whose "#" address the host never follows; a click
    // sends "a" with the address from the page's table.
    function setLocalisedText(element, id, text) {
        var addresses = [];
        var html = text.replace(/\[(#([^|\]]*)\|)?([^\]]*)\]/g, function (whole, keyed, key, label) {
            addresses.push(linkAddress(id, keyed ? key : null));
            return "<a href=\"#\" data-zarn-link=\"" + (addresses.length - 1) + "\">" + label + "</a>";
        });
        element.innerHTML = html;
        var anchors = element.getElementsByTagName("a");
        for (var i = 0; i < anchors.length; ++i) {
            var index = anchors[i].getAttribute("data-zarn-link");
            if (index !== null) {
                anchors[i].onclick = linkClicked(addresses[Number(index)]);
            }
        }
    }

    function applyString(id, text) {
        if (id === "lang") {
            return;
        }
        if (id === "title") {
            document.title = text;
            host.setWindowProp("title", text);
            return;
        }
        var element = document.getElementById(id);
        if (!element) {
            log.warning("element[" + id + "] not found");
            return;
        }
        var marked = takeAccessKey(text);
        if (marked.key !== "") {
            element.accessKey = marked.key;
        }
        setLocalisedText(element, id, marked.text);
    }

    function localise() {
        var file = pageName() + "_" + host.getLocale() + ".wxl";
        var loader = startLoad(pageDirectory() + file);
        for (var waited = 0; !loader.loaded(); waited += loadPollMilliseconds) {
            if (waited >= loadLimitMilliseconds) {
                log.fatal(file + ": xml loading/parsing error - not loaded within " + loadLimitMilliseconds + " ms");
                return;
            }
            host.delay(loadPollMilliseconds);
        }
        var result = loader.result();
        if (result.error !== undefined) {
            log.fatal(file + ": xml loading/parsing error - " + result.error);
            return;
        }
        var strings = result.document.documentElement.childNodes;
        for (var i = 0; i < strings.length; ++i) {
            var node = strings[i];
            if (node.nodeType === 1 && (node.localName || node.baseName || node.nodeName) === "String") {
                applyString(node.getAttribute("Id"), textOf(node));
            }
        }
    }

    // ---- focus ----

    function buttons() {
        var list = [];
        var all = document.getElementsByTagName("*");
        for (var i = 0; i < all.length; ++i) {
            var tag = all[i].nodeName.toLowerCase();
            var type = String(all[i].type).toLowerCase();
            if (tag === "button" || (tag === "input" && (type === "button" || type === "submit" || type === "reset"))) {
                list.push(all[i]);
            }
        }
        return list;
    }

    function focusLastButton() {
        var list = buttons();
        for (var i = list.length - 1; i >= 0; --i) {
            var button = list[i];
            if (button.disabled || (button.offsetWidth === 0 && button.offsetHeight === 0)) {
                continue;
            }
            try {
                button.focus();
            } catch (e) {
                continue;
            }
            if (document.activeElement === button) {
                return;
            }
        }
    }

    // ---- start ----

    function start() {
        if (started) {
            return;
        }
        started = true;
        try {
            placeTemplates();
            localise();
        } catch (e) {
            log.error("page start failed: " + (e.message || String(e)));
        }
    }

    // Escape ends the page as its close command does, and does nothing while that is disabled.
    function onKeyDown(event) {
        var key = event || window.event;
        if (key.keyCode === 27 && closeEnabled) {
            host.notify("cancel");
        }
    }

    function onLoad() {
        // After the page's own load handlers, which may still enable or disable buttons.
        window.setTimeout(focusLastButton, 0);
    }

    if (document.addEventListener) {
        document.addEventListener("DOMContentLoaded", start, false);
        document.addEventListener("keydown", onKeyDown, false);
        window.addEventListener("load", onLoad, false);
    } else {
        document.attachEvent("onreadystatechange", function () {
            if (document.readyState === "interactive" || document.readyState === "complete") {
                start();
            }
        });
        document.attachEvent("onkeydown", onKeyDown);
        window.attachEvent("onload", function () {
            start();
            onLoad();
        });
    }

    return {
        host: host,
        log: log,
        links: {},
        // For pages whose own script must see the localised layout before the document is complete.
        start: start
    };
})();
