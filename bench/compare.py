#!/usr/bin/env python3
"""Side-by-side start-up and memory of Quorvel, Chromium (--app window) and GNOME Web.

The benchmark serves one local page itself on 127.0.0.1 (about 51 KB with a stylesheet
and a script, generated the same every time); the page reports its load event to a
beacon address and the server notes when the report arrives. Each program is started
in rotation N times, every run with a fresh home and profile, and measured for:

  - time from process start to the page's load event (min / median / max),
  - PSS of the whole process tree (the program and every descendant: web, GPU,
    network and zygote processes) with one page open, and with five.

The WebKitGTK floor (build/bench/quorvel-webkit-floor: a bare window with one web view,
drawn as Quorvel draws on the same machine) is measured for the first page only: it is
what any WebKitGTK program costs before its own work.

Five pages: Chromium and GNOME Web are started four more times with the same profile
(the running instance opens the page, as when a user opens more); Quorvel's page asks
it to open four pages in new tabs, which go through its own tab model.

Run under a display (bench/compare.sh does); Chromium and GNOME Web are used when
installed, never installed by this script.
"""
import argparse
import json
import os
import random
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlparse

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXTRA_PAGES = ["/page/2", "/page/3", "/page/4", "/page/5"]

# ---- The page ------------------------------------------------------------------------


def make_assets():
    """HTML, stylesheet and script of the test page; about 51 KB together, always the same."""
    rnd = random.Random(22)
    surnames = "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗"
    kinds = ["民事", "刑事", "行政", "仲裁", "执行", "非诉"]
    stages = ["立案", "举证", "开庭", "判决", "上诉", "结案"]

    css = [":root{--ink:#1f2a37;--muted:#6b7280;--line:#e5e7eb;--accent:#2f5d8a;--bg:#f7f7f5}",
           "*{box-sizing:border-box}body{margin:0;font:14px/1.5 sans-serif;color:var(--ink);background:var(--bg)}",
           "header{display:flex;align-items:center;gap:16px;padding:12px 24px;background:#fff;border-bottom:1px solid var(--line)}",
           "main{display:grid;grid-template-columns:240px 1fr;gap:24px;padding:24px}",
           "table{width:100%;border-collapse:collapse;background:#fff}th,td{padding:6px 10px;border-bottom:1px solid var(--line);text-align:left}",
           ".card{background:#fff;border:1px solid var(--line);border-radius:8px;padding:12px 16px;margin-bottom:12px}"]
    i = 0
    while sum(len(r) + 1 for r in css) < 10200:
        hue = rnd.randrange(360)
        css.append(f".c{i}{{color:hsl({hue},40%,30%);background:hsl({hue},60%,96%);border-left:3px solid hsl({hue},50%,55%);"
                   f"padding:{rnd.randrange(2, 9)}px {rnd.randrange(4, 15)}px;margin:{rnd.randrange(0, 5)}px 0}}")
        i += 1
    css_text = "\n".join(css) + "\n"

    js = ["'use strict';",
          "function rowsOf(t){return Array.prototype.slice.call(t.tBodies[0].rows);}",
          "function sortBy(t,col){var r=rowsOf(t);r.sort(function(a,b){return a.cells[col].textContent.localeCompare(b.cells[col].textContent,'zh');});"
          "r.forEach(function(x){t.tBodies[0].appendChild(x);});}",
          "function count(t){var n={};rowsOf(t).forEach(function(x){var k=x.cells[2].textContent;n[k]=(n[k]||0)+1;});return n;}",
          "document.addEventListener('DOMContentLoaded',function(){var t=document.getElementById('cases');sortBy(t,1);"
          "var n=count(t),s=document.getElementById('summary');Object.keys(n).sort().forEach(function(k){"
          "var li=document.createElement('li');li.textContent=k+'：'+n[k];s.appendChild(li);});});"]
    j = 0
    while sum(len(r) + 1 for r in js) < 6000:
        a, b = rnd.randrange(1, 97), rnd.randrange(1, 89)
        js.append(f"function f{j}(x){{var y=(x*{a}+{b})%{a + b};for(var i=0;i<{rnd.randrange(3, 9)};i++){{y=(y*31+i)%1009;}}return y;}}")
        j += 1
    js_text = "\n".join(js) + "\n"

    rows = []
    k = 0
    while True:
        who = surnames[rnd.randrange(len(surnames))] + surnames[rnd.randrange(len(surnames))]
        row = (f"<tr class=\"c{k % max(i, 1)}\"><td>（2026）京{rnd.randrange(100, 999)}民初{rnd.randrange(1000, 9999)}号</td>"
               f"<td>{who}诉某公司合同纠纷</td><td>{kinds[rnd.randrange(len(kinds))]}</td>"
               f"<td>{stages[rnd.randrange(len(stages))]}</td><td>2026-{rnd.randrange(1, 13):02d}-{rnd.randrange(1, 29):02d}</td></tr>")
        if sum(len(r.encode()) for r in rows) + len(row.encode()) > 33800:
            break
        rows.append(row)
        k += 1
    return css_text, js_text, rows


# Reports the load event, then (first page only) waits for the benchmark to say which
# pages to open in new windows.
BEACON = """<script>
addEventListener('load', function () {
  var u = '/beacon?p=' + encodeURIComponent(location.pathname);
  if (navigator.sendBeacon) navigator.sendBeacon(u, 'loaded'); else new Image().src = u;
  if (location.pathname !== '/dashboard') return;
  fetch('/control', {cache: 'no-store'}).then(function (r) { return r.json(); }).then(function (j) {
    (j.open || []).forEach(function (p) { window.open(p); });
  }).catch(function () {});
});
</script>"""


def page_html(css_rows, path, title):
    _, _, rows = css_rows
    return ("<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
            f"<title>{title}</title><link rel=\"stylesheet\" href=\"/static/bench.css\">"
            "<script src=\"/static/bench.js\" defer></script></head><body>"
            f"<header><strong>{title}</strong><span>{path}</span></header><main><aside class=\"card\"><h3>统计</h3><ul id=\"summary\"></ul></aside>"
            "<section><table id=\"cases\"><thead><tr><th>案号</th><th>案由</th><th>类型</th><th>阶段</th><th>日期</th></tr></thead><tbody>"
            + "".join(rows) + "</tbody></table></section></main>" + BEACON + "</body></html>")


# ---- The server ----------------------------------------------------------------------


class Bench:
    def __init__(self):
        self.assets = make_assets()
        self.lock = threading.Condition()
        self.beacons = {}  # path -> arrival (monotonic)
        self.to_open = None  # pages the first page opens, once set
        self.run = 0

    def reset(self):
        with self.lock:
            self.beacons = {}
            self.to_open = None
            self.run += 1
            self.lock.notify_all()

    def page_bytes(self):
        css, js, _ = self.assets
        return len(page_html(self.assets, "/dashboard", "个人工作台").encode()) + len(css.encode()) + len(js.encode())

    def wait_beacons(self, paths, deadline):
        with self.lock:
            while not all(p in self.beacons for p in paths):
                left = deadline - time.monotonic()
                if left <= 0:
                    return None
                self.lock.wait(left)
            return dict(self.beacons)


class Server(ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # a program ended while its request was open


def make_handler(bench):
    class Handler(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def send(self, body, ctype, status=200):
            data = body.encode() if isinstance(body, str) else body
            self.send_response(status)
            self.send_header("Content-Type", ctype)
            self.send_header("Content-Length", str(len(data)))
            self.send_header("Cache-Control", "no-store")
            self.end_headers()
            self.wfile.write(data)

        def beacon(self):
            now = time.monotonic()
            path = parse_qs(urlparse(self.path).query).get("p", [""])[0]
            with bench.lock:
                bench.beacons.setdefault(path, now)
                bench.lock.notify_all()
            self.send("", "text/plain", 204 if self.command == "POST" else 200)

        def do_POST(self):
            length = int(self.headers.get("Content-Length") or 0)
            if length:
                self.rfile.read(length)
            if self.path.startswith("/beacon"):
                return self.beacon()
            self.send('{"success":true}', "application/json")

        def do_GET(self):
            path = urlparse(self.path).path
            css, js, _ = bench.assets
            if path.startswith("/beacon"):
                return self.beacon()
            if path == "/static/bench.css":
                return self.send(css, "text/css; charset=utf-8")
            if path == "/static/bench.js":
                return self.send(js, "text/javascript; charset=utf-8")
            if path == "/control":
                run = bench.run
                with bench.lock:
                    while bench.to_open is None and bench.run == run:
                        bench.lock.wait(1.0)
                    pages = bench.to_open or []
                return self.send(json.dumps({"open": pages}), "application/json")
            if path in ("/", "/login"):
                self.send_response(302)
                self.send_header("Location", "/dashboard")
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            if path == "/dashboard" or path.startswith("/page/"):
                title = "个人工作台" if path == "/dashboard" else "案件列表 " + path.rsplit("/", 1)[-1]
                return self.send(page_html(bench.assets, path, title), "text/html; charset=utf-8")
            if path.startswith("/api/"):
                # The few service reads of the client, in their shapes, small.
                if path == "/api/desktop/badges":
                    return self.send('{"overdue":0,"today":0,"soon":0,"verify":0,"hearings":0,"user":"测试",'
                                     '"role":"lawyer","firm":"测试律所","ts":"2026-03-02 09:00"}', "application/json")
                if path == "/api/my_deadlines":
                    return self.send('{"overdue":[],"today":[],"soon":[],"verify":[],"hearings":[]}', "application/json")
                if path == "/api/desktop/nodes":
                    return self.send('{"ok":true,"contracts":[],"clients":[]}', "application/json")
                return self.send("{}", "application/json")
            if path == "/favicon.ico":
                return self.send("", "image/x-icon", 404)
            return self.send("not found", "text/plain", 404)

    return Handler


# ---- Processes -----------------------------------------------------------------------


def children_map():
    kids = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/stat") as f:
                s = f.read()
        except OSError:
            continue
        rest = s[s.rfind(")") + 2:].split()
        kids.setdefault(int(rest[1]), []).append(int(name))
    return kids


def tree(pid):
    kids = children_map()
    out, todo = [], [pid]
    while todo:
        p = todo.pop()
        out.append(p)
        todo.extend(kids.get(p, []))
    return out


def pss_kib(pids):
    total = 0
    for p in pids:
        try:
            with open(f"/proc/{p}/smaps_rollup") as f:
                for line in f:
                    if line.startswith("Pss:"):
                        total += int(line.split()[1])
                        break
        except OSError:
            pass
    return total


def stop(proc, extra_pids=()):
    pids = set(tree(proc.pid)) | set(extra_pids)
    for sig, wait in ((signal.SIGTERM, 5.0), (signal.SIGKILL, 3.0)):
        for p in list(pids):
            try:
                os.kill(p, sig)
            except ProcessLookupError:
                pids.discard(p)
        end = time.monotonic() + wait
        while time.monotonic() < end:
            proc.poll()
            alive = [p for p in pids if os.path.exists(f"/proc/{p}") and not is_zombie(p)]
            if not alive:
                break
            time.sleep(0.05)
        pids = {p for p in pids if os.path.exists(f"/proc/{p}") and not is_zombie(p)}
        if not pids:
            break
    try:
        proc.wait(timeout=2)
    except subprocess.TimeoutExpired:
        pass


def is_zombie(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            s = f.read()
        return s[s.rfind(")") + 2] == "Z"
    except OSError:
        return True


class Program:
    name = ""
    one_page_only = False  # measured for the first page alone

    def __init__(self, base, home):
        self.base, self.home = base, home

    def env(self):
        env = dict(os.environ)
        for k, sub in (("HOME", ""), ("XDG_CONFIG_HOME", ".config"), ("XDG_DATA_HOME", ".local/share"),
                       ("XDG_CACHE_HOME", ".cache")):
            env[k] = os.path.join(self.home, sub) if sub else self.home
            os.makedirs(env[k], exist_ok=True)
        return env

    def start(self):
        raise NotImplementedError

    def open_more(self, bench):
        """Opens the four extra pages in the running instance; returns helper processes."""
        raise NotImplementedError


class Quorvel(Program):
    name = "Quorvel"

    def __init__(self, base, home, binary, extra_env):
        super().__init__(base, home)
        self.binary, self.extra_env = binary, extra_env

    def start(self):
        env = self.env()
        env.update(self.extra_env)
        return subprocess.Popen([self.binary, "--server-url", self.base], env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, start_new_session=True)

    def open_more(self, bench):
        # Through the client's own tab model: the page opens them as new windows.
        with bench.lock:
            bench.to_open = list(EXTRA_PAGES)
            bench.lock.notify_all()
        return []


class Floor(Program):
    """A bare WebKitGTK window with one web view: what any WebKitGTK program costs."""
    name = "WebKitGTK floor"
    one_page_only = True

    def __init__(self, base, home, binary):
        super().__init__(base, home)
        self.binary = binary

    def start(self):
        return subprocess.Popen([self.binary, self.base + "/dashboard"], env=self.env(), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, start_new_session=True)


class Chromium(Program):
    name = "Chromium"

    def __init__(self, base, home, binary):
        super().__init__(base, home)
        self.binary = binary

    def argv(self, path):
        args = [self.binary, "--app=" + self.base + path, "--user-data-dir=" + os.path.join(self.home, "chromium"),
                "--no-first-run", "--no-default-browser-check", "--password-store=basic"]
        if os.geteuid() == 0:
            args.append("--no-sandbox")  # Chromium refuses to start as root otherwise
        return args

    def start(self):
        return subprocess.Popen(self.argv("/dashboard"), env=self.env(), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, start_new_session=True)

    def open_more(self, bench):
        return [subprocess.Popen(self.argv(p), env=self.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                for p in EXTRA_PAGES]


class Epiphany(Program):
    name = "GNOME Web"

    def __init__(self, base, home, binary):
        super().__init__(base, home)
        self.binary = binary

    def argv(self, path):
        # The default profile in the run's fresh home: a second start reaches the
        # running instance (a profile given with --profile would start another).
        return [self.binary, self.base + path]

    def start(self):
        return subprocess.Popen(self.argv("/dashboard"), env=self.env(), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, start_new_session=True)

    def open_more(self, bench):
        procs = []
        for p in EXTRA_PAGES:  # one after another: each reaches the running instance
            proc = subprocess.Popen(self.argv(p), env=self.env(), stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
            try:
                proc.wait(timeout=15)
            except subprocess.TimeoutExpired:
                pass
            procs.append(proc)
        return procs


def run_once(bench, program, settle, timeout):
    bench.reset()
    t0 = time.monotonic()
    proc = program.start()
    result = {"ok": False}
    helpers = []
    try:
        seen = bench.wait_beacons(["/dashboard"], t0 + timeout)
        if seen is None:
            result["error"] = "page never loaded"
            return result
        result["load_s"] = seen["/dashboard"] - t0
        time.sleep(settle)
        result["one_pss_mib"] = pss_kib(tree(proc.pid)) / 1024.0
        if program.one_page_only:
            result["ok"] = True
            return result
        helpers = program.open_more(bench)
        seen = bench.wait_beacons(["/dashboard"] + EXTRA_PAGES, time.monotonic() + timeout)
        if seen is None:
            result["error"] = "the four extra pages did not all load"
            return result
        time.sleep(settle)
        pids = tree(proc.pid)
        result["five_pss_mib"] = pss_kib(pids) / 1024.0
        result["processes_five"] = len(pids)
        result["ok"] = True
        return result
    finally:
        for h in helpers:
            if h.poll() is None:
                stop(h)
        stop(proc)


def fmt_s(v):
    return f"{v:.2f} s"


def summarize(name, runs):
    ok = [r for r in runs if r.get("ok")]
    loads = [r["load_s"] for r in runs if "load_s" in r]
    out = {"name": name, "runs": len(runs), "complete": len(ok), "errors": [r["error"] for r in runs if "error" in r]}
    if loads:
        out.update(load_min_s=min(loads), load_median_s=statistics.median(loads), load_max_s=max(loads))
    one = [r["one_pss_mib"] for r in runs if "one_pss_mib" in r]
    five = [r["five_pss_mib"] for r in ok if "five_pss_mib" in r]
    if one:
        out.update(one_pss_median_mib=statistics.median(one), one_pss_min_mib=min(one), one_pss_max_mib=max(one))
    if five:
        out.update(five_pss_median_mib=statistics.median(five), five_pss_min_mib=min(five), five_pss_max_mib=max(five))
        per = [(r["five_pss_mib"] - r["one_pss_mib"]) / 4.0 for r in ok if "five_pss_mib" in r]
        out["per_extra_page_median_mib"] = statistics.median(per)
    return out


def table(summaries):
    ref = next((s for s in summaries if s["name"] == "Chromium"), None)

    def ratio(s, key):
        if not ref or key not in s or key not in ref or not ref[key]:
            return "–"
        return f"{s[key] / ref[key]:.2f}×"

    lines = ["| | to page loaded (min / median / max) | one page (PSS, median) | five pages (PSS, median) | "
             "per extra page | ratio to Chromium: time / one / five |",
             "|---|---|---|---|---|---|"]
    for s in summaries:
        t = (f"{fmt_s(s['load_min_s'])} / **{fmt_s(s['load_median_s'])}** / {fmt_s(s['load_max_s'])}"
             if "load_median_s" in s else "–")
        one = f"{s['one_pss_median_mib']:.0f} MiB" if "one_pss_median_mib" in s else "–"
        five = f"{s['five_pss_median_mib']:.0f} MiB" if "five_pss_median_mib" in s else "–"
        per = f"{s['per_extra_page_median_mib']:.0f} MiB" if "per_extra_page_median_mib" in s else "–"
        r = f"{ratio(s, 'load_median_s')} / {ratio(s, 'one_pss_median_mib')} / {ratio(s, 'five_pss_median_mib')}"
        note = "" if s["complete"] == s["runs"] else f" ({s['complete']} of {s['runs']} runs complete)"
        lines.append(f"| {s['name']}{note} | {t} | {one} | {five} | {per} | {r} |")
    return "\n".join(lines)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--runs", type=int, default=5, help="runs of each program (default 5)")
    ap.add_argument("--quorvel", default=os.path.join(ROOT, "build", "quorvel"))
    ap.add_argument("--only", default="", help="comma-separated: quorvel,floor,chromium,epiphany")
    ap.add_argument("--floor", default=os.path.join(ROOT, "build", "bench", "quorvel-webkit-floor"))
    ap.add_argument("--also-quorvel", action="append", default=[], metavar="LABEL=PATH",
                    help="another Quorvel build in the same rotation (e.g. before=/tmp/quorvel-old)")
    ap.add_argument("--quorvel-env", action="append", default=[], metavar="NAME=VALUE",
                    help="environment for Quorvel only (to compare variants)")
    ap.add_argument("--settle", type=float, default=3.0, help="seconds between the load events and a PSS reading")
    ap.add_argument("--timeout", type=float, default=60.0, help="seconds to wait for the load events")
    ap.add_argument("--json", help="also write the runs and the summary to this file")
    args = ap.parse_args()

    if not os.environ.get("DISPLAY"):
        sys.exit("no DISPLAY: run it through bench/compare.sh (it starts Xvfb)")
    only = {w.strip() for w in args.only.split(",") if w.strip()}
    quorvel_env = dict(kv.split("=", 1) for kv in args.quorvel_env)

    bench = Bench()
    server = Server(("127.0.0.1", 0), make_handler(bench))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"

    programs = []
    if not only or "quorvel" in only:
        if os.access(args.quorvel, os.X_OK):
            programs.append(("Quorvel", lambda home: Quorvel(base, home, args.quorvel, quorvel_env)))
        else:
            print(f"Quorvel: {args.quorvel} not built (bash scripts/build.sh)")
        for spec in args.also_quorvel:
            label, path = spec.split("=", 1)
            programs.append((f"Quorvel ({label})",
                             lambda home, path=path: Quorvel(base, home, os.path.abspath(path), quorvel_env)))
    if (not only or "floor" in only) and os.access(args.floor, os.X_OK):
        programs.append(("WebKitGTK floor", lambda home: Floor(base, home, args.floor)))
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    epiphany = shutil.which("epiphany") or shutil.which("epiphany-browser")
    if not only or "chromium" in only:
        print(f"Chromium: {chromium}" if chromium else "Chromium: not installed, left out")
        if chromium:
            programs.append(("Chromium", lambda home: Chromium(base, home, chromium)))
    if not only or "epiphany" in only:
        print(f"GNOME Web: {epiphany}" if epiphany else "GNOME Web: not installed, left out")
        if epiphany:
            programs.append(("GNOME Web", lambda home: Epiphany(base, home, epiphany)))
    if not programs:
        sys.exit("nothing to measure")
    print(f"page: {bench.page_bytes() / 1000:.1f} KB (HTML, stylesheet, script) at {base}/dashboard; "
          f"{args.runs} runs each, in rotation; load {os.getloadavg()[0]:.1f}")

    runs = {name: [] for name, _ in programs}
    for i in range(args.runs):
        for name, make in programs:
            home = tempfile.mkdtemp(prefix="quorvel-compare-")
            try:
                r = run_once(bench, make(home), args.settle, args.timeout)
            finally:
                shutil.rmtree(home, ignore_errors=True)
            runs[name].append(r)
            detail = (f"{r['load_s']:.2f} s" if "load_s" in r else "–") + (
                f", {r['one_pss_mib']:.0f} / {r.get('five_pss_mib', 0):.0f} MiB" if "one_pss_mib" in r else "")
            print(f"run {i + 1} {name}: {detail}" + (f" ({r['error']})" if "error" in r else ""), flush=True)

    summaries = [summarize(name, runs[name]) for name, _ in programs]
    print()
    print(table(summaries))
    print(f"\nmeasured {time.strftime('%Y-%m-%d %H:%M UTC', time.gmtime())}, load average {os.getloadavg()[0]:.1f} "
          f"on {os.cpu_count()} cores (times suffer from load; PSS does not)")
    if args.json:
        with open(args.json, "w") as f:
            json.dump({"runs": runs, "summary": summaries}, f, ensure_ascii=False, indent=1)
    server.shutdown()
    return 0 if all(s["complete"] == s["runs"] for s in summaries) else 1


if __name__ == "__main__":
    sys.exit(main())
