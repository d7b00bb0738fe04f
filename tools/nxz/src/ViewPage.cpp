#include "ViewPage.h"

namespace nox::nxz {

const char kPageHead[] = R"PAGE(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'; img-src data:">
<meta name="viewport" content="width=device-width, initial-scale=1">
<link rel="icon" href="data:,">
<title>NoxInfo result</title>
<style>
body { font: 14px/1.4 system-ui, "Segoe UI", Arial, sans-serif; margin: 0; color: #1d232b; background: #f4f6f8; }
header.top { background: #24364b; color: #fff; padding: 14px 24px; }
header.top h1 { margin: 0; font-size: 20px; font-weight: 600; }
header.top .sub { opacity: .8; font-size: 13px; }
main { padding: 8px 24px 40px; max-width: 1400px; }
section { background: #fff; border: 1px solid #d9dee4; border-radius: 6px; margin: 16px 0; padding: 12px 16px; }
h2 { font-size: 16px; margin: 0 0 10px; }
table { border-collapse: collapse; width: 100%; }
th, td { text-align: left; padding: 4px 8px; border-bottom: 1px solid #eceff2; vertical-align: top; }
th { background: #f7f8fa; font-weight: 600; }
table.facts th { width: 190px; background: none; }
.sev { display: inline-block; min-width: 64px; text-align: center; border-radius: 3px; padding: 0 6px; font-size: 12px; font-weight: 600; color: #fff; }
.sev.error { background: #c62828; } .sev.warning { background: #d98200; } .sev.notice { background: #5c6b7a; }
.none { color: #2e7d32; }
.path, .mono, pre, .tree { font-family: Consolas, "DejaVu Sans Mono", monospace; font-size: 13px; }
a { color: #1558b0; }
.tools { display: flex; gap: 8px; align-items: center; margin-bottom: 8px; flex-wrap: wrap; }
.tools input { flex: 1; min-width: 240px; padding: 5px 8px; font-size: 14px; border: 1px solid #b8c0c9; border-radius: 4px; }
.tools button { padding: 4px 10px; }
#search-status { color: #5c6b7a; font-size: 13px; }
.tree ul { list-style: none; margin: 0; padding-left: 18px; }
.tree > ul { padding-left: 0; }
.tree li > .row { cursor: pointer; white-space: pre-wrap; word-break: break-word; padding: 1px 2px; border-radius: 3px; }
.tree li > .row:hover { background: #eef3fa; }
.tree .tw { display: inline-block; width: 14px; color: #5c6b7a; }
.tree .nm { color: #24364b; font-weight: 600; }
.tree .at { color: #6a4c93; }
.tree .ty { color: #8a96a3; font-size: 11px; }
.tree .vl { color: #1d232b; }
.tree .failed .nm { color: #c62828; }
.tree .failed .vl { color: #c62828; }
.tree .hit > .row { background: #fff3c4; }
.tree .focus > .row { outline: 2px solid #d98200; }
.tree .more { color: #1558b0; cursor: pointer; }
details.file > summary { cursor: pointer; }
details.file pre { max-height: 420px; overflow: auto; background: #f7f8fa; border: 1px solid #e2e6ea; padding: 8px; white-space: pre-wrap; word-break: break-all; }
.muted { color: #5c6b7a; }
</style>
</head>
<body>
)PAGE";

const char kPageScript[] = R"PAGE(<script>
(function () {
  "use strict";
  var NAME = 0, TYPE = 1, VALUE = 2, OK = 3, ATTRS = 4, KIDS = 5;
  var CHUNK = 500, MAX_HITS = 2000;
  var dataElement = document.getElementById("nox-tree");
  var root = dataElement ? JSON.parse(dataElement.textContent) : null;
  var files = JSON.parse(document.getElementById("nox-files").textContent);
  var treeBox = document.getElementById("tree");
  var search = document.getElementById("search");
  var status = document.getElementById("search-status");
  if (!root) { treeBox.textContent = "The document holds no report."; return; }

  // Document order numbers and parents, as the findings name nodes.
  var nodes = [], parents = [];
  (function number() {
    var stack = [[root, -1]];
    while (stack.length) {
      var item = stack.pop(), node = item[0];
      node.i = nodes.length;
      nodes.push(node);
      parents.push(item[1]);
      for (var k = node[KIDS].length - 1; k >= 0; k--) stack.push([node[KIDS][k], node.i]);
    }
  })();

  var open = {};  // node number -> expanded
  var shown = null;  // null: all nodes; otherwise the set a search leaves

  function fileKey(value) { return value.replace(/\//g, "\\").replace(/[A-Z]/g, function (c) { return c.toLowerCase(); }); }

  function row(node) {
    var li = document.createElement("li");
    li.id = "n" + node.i;
    if (!node[OK]) li.className = "failed";
    var line = document.createElement("div");
    line.className = "row";
    var twisty = document.createElement("span");
    twisty.className = "tw";
    twisty.textContent = node[KIDS].length ? (open[node.i] ? "\u25be" : "\u25b8") : "";
    line.appendChild(twisty);
    var name = document.createElement("span");
    name.className = "nm";
    name.textContent = node[NAME];
    line.appendChild(name);
    node[ATTRS].forEach(function (a) {
      var at = document.createElement("span");
      at.className = "at";
      at.textContent = " " + a[0] + "=" + a[1];
      line.appendChild(at);
    });
    if (node[TYPE] && node[TYPE] !== "text") {
      var ty = document.createElement("span");
      ty.className = "ty";
      ty.textContent = " " + node[TYPE];
      line.appendChild(ty);
    }
    if (!node[OK]) {
      var bad = document.createElement("span");
      bad.className = "ty";
      bad.textContent = " unsuccessful";
      line.appendChild(bad);
    }
    if (node[VALUE] !== "") {
      line.appendChild(document.createTextNode("  "));
      var target = (node[TYPE] === "path" || node[TYPE] === "binary") ? files[fileKey(node[VALUE])] : undefined;
      var value = document.createElement(target ? "a" : "span");
      value.className = "vl";
      if (target) value.href = "#" + target;
      value.textContent = node[VALUE];
      line.appendChild(value);
    }
    li.appendChild(line);
    if (node[KIDS].length && open[node.i]) li.appendChild(children(node));
    return li;
  }

  function visibleKids(node) {
    return shown ? node[KIDS].filter(function (k) { return shown[k.i]; }) : node[KIDS];
  }

  function children(node) {
    var ul = document.createElement("ul");
    var kids = visibleKids(node);
    function add(from) {
      var end = Math.min(kids.length, from + CHUNK);
      for (var k = from; k < end; k++) ul.appendChild(row(kids[k]));
      if (end < kids.length) {
        var more = document.createElement("li");
        more.className = "more";
        more.textContent = "\u2026 " + (kids.length - end) + " more";
        more.addEventListener("click", function (e) { e.stopPropagation(); ul.removeChild(more); add(end); });
        ul.appendChild(more);
      }
    }
    add(0);
    return ul;
  }

  function render() {
    treeBox.textContent = "";
    var ul = document.createElement("ul");
    ul.appendChild(row(root));
    treeBox.appendChild(ul);
  }

  treeBox.addEventListener("click", function (e) {
    var line = e.target.closest(".row");
    if (!line || e.target.tagName === "A") return;
    var li = line.parentNode, node = nodes[+li.id.slice(1)];
    if (!node[KIDS].length) return;
    open[node.i] = !open[node.i];
    li.parentNode.replaceChild(row(node), li);
  });

  function expandAll(value) {
    open = {};
    if (value) nodes.forEach(function (n) { if (n[KIDS].length) open[n.i] = true; });
    else open[root.i] = true;
    render();
  }
  document.getElementById("expand-all").addEventListener("click", function () {
    if (nodes.length > 20000 && !confirm(nodes.length + " nodes: expand them all?")) return;
    expandAll(true);
  });
  document.getElementById("collapse-all").addEventListener("click", function () { expandAll(false); });

  var lowered = null;
  function filter(text) {
    var query = text.trim().toLowerCase();
    if (!query) {
      shown = null;
      status.textContent = "";
      render();
      return;
    }
    if (!lowered) lowered = nodes.map(function (n) {
      return (n[NAME] + "\u0000" + n[VALUE] + "\u0000" + n[ATTRS].map(function (a) { return a[0] + "=" + a[1]; }).join("\u0000")).toLowerCase();
    });
    shown = {};
    var hits = 0;
    open = {};
    for (var i = 0; i < nodes.length && hits < MAX_HITS; i++) {
      if (lowered[i].indexOf(query) < 0) continue;
      hits++;
      for (var p = i; p >= 0 && !shown[p]; p = parents[p]) {
        shown[p] = true;
        if (p !== i) open[p] = true;
      }
    }
    status.textContent = hits >= MAX_HITS ? "first " + MAX_HITS + " matches" : hits + (hits === 1 ? " match" : " matches");
    render();
    treeBox.querySelectorAll("li").forEach(function (li) {
      if (lowered[+li.id.slice(1)].indexOf(query) >= 0) li.classList.add("hit");
    });
  }
  var timer = null;
  search.addEventListener("input", function () {
    clearTimeout(timer);
    timer = setTimeout(function () { filter(search.value); }, 150);
  });

  // A finding's link opens the tree down to its node.
  document.addEventListener("click", function (e) {
    var link = e.target.closest("a[data-node]");
    if (!link) return;
    e.preventDefault();
    var i = +link.getAttribute("data-node");
    if (!nodes[i]) return;
    search.value = "";
    shown = null;
    status.textContent = "";
    for (var p = parents[i]; p >= 0; p = parents[p]) open[p] = true;
    render();
    var li = document.getElementById("n" + i);
    if (li) {
      li.classList.add("focus");
      li.scrollIntoView({block: "center"});
    }
  });

  open[root.i] = true;
  root[KIDS].forEach(function (k) { open[k.i] = true; });
  render();
})();
</script>
)PAGE";

const char kPageEnd[] = "</body>\n</html>\n";

}  // namespace nox::nxz
