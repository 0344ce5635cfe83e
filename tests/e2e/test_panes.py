"""The two web panes of the running tool, seen from outside.

The tool is pointed at a loopback HTTP proxy of the test's own (Wine's wininet honours the
http_proxy variable), so every page request it makes arrives there and nowhere else. A page on an
https host arrives as the request for a tunnel (CONNECT host:port), which names the host the pane
asked for but not the page: the path travels inside the tunnel, and the unit tests see it where
the pane asks for it. The proxy refuses every tunnel, as an unreachable site would, so the panes
show their own panel. Where each pane's browser surface and panel sit is read from the window
tree by the probe. Wine here has no Gecko: the panes request their pages but draw nothing of them.
"""
import http.server
import os
import re
import statistics
import threading
import time
import unittest
import urllib.parse

import qvharness as h

SEARCH_PATH, SEARCH_QUERY = "/market/afq/", "canvas_pos=search&keyword=vara"
NEWS_PATH, NEWS_QUERY = "/xzdy/20110803/1239434.shtml", ""
# After both page requests, how long the proxy keeps listening for anything else.
QUIET_SECONDS = 5.0


def configured_hosts():
    """The event and game hosts (scheme://name) the exe was built with."""
    config = os.path.join(os.path.dirname(os.path.dirname(h.EXE)), "generated", "HostConfig.h")
    with open(config, encoding="utf-8") as f:
        text = f.read()
    return {name: re.search(r'#define %s "([^"]*)"' % name, text).group(1)
            for name in ("QV_HOST_EVENT", "QV_HOST_GAME")}


class ProxyLog(http.server.ThreadingHTTPServer):
    """A loopback HTTP proxy that answers every request with a small page and records it."""

    daemon_threads = True

    def __init__(self):
        super().__init__(("127.0.0.1", 0), _ProxyHandler)
        self.url = "http://127.0.0.1:%d" % self.server_address[1]
        self._lock = threading.Lock()
        self._requests = []
        self._thread = threading.Thread(target=self.serve_forever, daemon=True)
        self._thread.start()

    def record(self, method, target, host):
        with self._lock:
            self._requests.append((time.monotonic(), method, target, host))

    def requests(self):
        with self._lock:
            return list(self._requests)

    def clear(self):
        with self._lock:
            self._requests.clear()

    def wait_for(self, count, timeout=60):
        """Seconds (monotonic) at which the count-th request arrived, or None."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            seen = self.requests()
            if len(seen) >= count:
                return seen[count - 1][0]
            time.sleep(0.05)
        return None

    def stop(self):
        self.shutdown()
        self.server_close()
        self._thread.join(timeout=10)


class _ProxyHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def _answer(self):
        self.server.record(self.command, self.path, self.headers.get("Host", ""))
        if self.command == "CONNECT":
            self.send_error(502)
            return
        body = b"<html><body>pane</body></html>"
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    do_GET = do_POST = do_HEAD = do_CONNECT = _answer

    def log_message(self, *args):
        pass


def figure(text):
    print("FIGURE " + text, flush=True)


def host_and_port(url):
    parts = urllib.parse.urlsplit(url)
    return parts.hostname, parts.port or 80


def pane(info, control_id):
    return next(child for child in info["children"] if child["id"] == control_id)


def pane_child(info, control_id, window_class):
    """The pane's child of that class: "Shell Embedding" is the browser surface, "Button" the
    button of the panel the pane shows for a page that could not be opened."""
    return next((child for child in pane(info, control_id)["children"] if child["class"] == window_class), None)


def page_request(site, path, query):
    """What a pane asking for site's page sends the proxy: the page itself for an http site, the
    tunnel to the host for an https one."""
    parts = urllib.parse.urlsplit(site)
    if parts.scheme == "https":
        return ("CONNECT", parts.hostname, parts.port or 443)
    return ("GET", parts.hostname, parts.port or 80, path, query)


def seen_request(method, target):
    """A request the proxy recorded, in the form page_request gives."""
    if method == "CONNECT":
        parts = urllib.parse.urlsplit("//" + target)
        return (method, parts.hostname, parts.port)
    parts = urllib.parse.urlsplit(target)
    return (method, parts.hostname, parts.port or 80, parts.path, parts.query)


class PanesAtStart(unittest.TestCase):
    """One start of the tool: the page requests, then the panes' surfaces."""

    @classmethod
    def setUpClass(cls):
        cls.proxy = ProxyLog()
        try:
            cls.session = h.Session(extra_env={"http_proxy": cls.proxy.url})
        except BaseException:
            cls.proxy.stop()
            raise
        try:
            start = time.monotonic()
            cls.session.launch()
            cls.info = cls.session.wait_window()
            shown = time.monotonic()
            both = cls.proxy.wait_for(2)
            time.sleep(QUIET_SECONDS)
            cls.requests = cls.proxy.requests()
        except BaseException:
            cls.tearDownClass()
            raise
        figure("requests at start: %d within %.0f s after the second: %s"
               % (len(cls.requests), QUIET_SECONDS, ", ".join(r[1] + " " + r[2] for r in cls.requests)))
        if both is not None:
            figure("launch to both page requests: %.2f s (the probe saw the window after %.2f s; Wine loader included)"
                   % (both - start, shown - start))

    @classmethod
    def tearDownClass(cls):
        cls.session.close()
        cls.proxy.stop()

    def test_one_request_per_pane_for_its_page_and_nothing_else(self):
        hosts = configured_hosts()
        expected = sorted([page_request(hosts["QV_HOST_EVENT"], SEARCH_PATH, SEARCH_QUERY),
                           page_request(hosts["QV_HOST_GAME"], NEWS_PATH, NEWS_QUERY)])
        seen = []
        for _, method, target, host_header in self.requests:
            if method != "CONNECT":
                self.assertEqual(urllib.parse.urlsplit(target).scheme, "http", target)
                self.assertEqual(host_and_port("http://" + host_header), host_and_port(target),
                                 "request line and Host header name the same host")
            seen.append(seen_request(method, target))
        self.assertEqual(sorted(seen), expected)

    def test_an_unreachable_page_gives_way_to_the_panel_whose_button_asks_again(self):
        def panels_shown():
            info = self.session.window()
            for control_id in (200, 201):
                button = pane_child(info, control_id, "Button")
                if not (button and button["visible"]) or pane_child(info, control_id, "Shell Embedding")["visible"]:
                    return None
            return info

        info = self.session.wait_for(panels_shown, timeout=60, what="both panes' panels")
        left_pane = pane(info, 200)
        button = pane_child(info, 200, "Button")
        self.assertEqual(button["text"], "重试")  # try again
        x0 = info["client"][0] + left_pane["rect"][0]
        y0 = info["client"][1] + left_pane["rect"][1]
        # Drawn by the tool over the whole pane, the page's cropped corner included: the bar's grey.
        self.assertEqual(self.session.screenshot().pixel(x0 + 2, y0 + 2), (55, 55, 57))

        asked = len(self.proxy.requests())
        self.session.click(x0 + (button["rect"][0] + button["rect"][2]) // 2,
                           y0 + (button["rect"][1] + button["rect"][3]) // 2)
        self.assertIsNotNone(self.proxy.wait_for(asked + 1, timeout=30), "the button asks for the page again")
        again = self.proxy.requests()[asked:]
        self.assertEqual([seen_request(method, target) for _, method, target, _ in again],
                         [page_request(configured_hosts()["QV_HOST_EVENT"], SEARCH_PATH, SEARCH_QUERY)])
        self.session.wait_for(panels_shown, timeout=30, what="the panel again, as the page is still unreachable")

    def test_no_engine_install_prompt_appears(self):
        # The prefix is made without mshtml registered, so a page never loads it and Wine's
        # offer to download its Gecko engine never comes up over the tool.
        self.assertEqual(self.session.x_windows("Gecko"), [])
        self.assertEqual([w for w in self.session.x_windows(".") if self.session.xdotool("getwindowname", w).strip()
                          not in (h.TITLE, "Default IME", "")], [])

    def test_left_surface_is_shifted_up_and_left_and_right_is_not(self):
        info = self.session.window()
        left, right = pane(info, 200), pane(info, 201)
        self.assertEqual(left["rect"], [3, 41, 531, 554])
        self.assertEqual(right["rect"], [554, 41, 937, 598])
        # Each pane holds the browser control's window and, once its page could not be opened,
        # its panel's button.
        for each in (left, right):
            self.assertLessEqual({child["class"] for child in each["children"]}, {"Shell Embedding", "Button"})
        surface = pane_child(info, 200, "Shell Embedding")["rect"]
        self.assertEqual(surface[:2], [-5, -65])
        self.assertGreaterEqual(surface[2], 528 - 5)
        self.assertGreaterEqual(surface[3], 513 - 65)
        self.assertEqual(pane_child(info, 201, "Shell Embedding")["rect"], [0, 0, 383, 557])


class RepeatedStarts(unittest.TestCase):
    """Starting and closing the tool again and again leaves nothing behind."""

    RUNS = 50

    def measure(self, session, pid):
        counts = session.probe("resources", str(pid))
        self.assertTrue(counts["ok"], "the handle table could be read")
        return counts

    def test_fifty_starts_and_closes(self):
        proxy = ProxyLog()
        try:
            session = h.Session(extra_env={"http_proxy": proxy.url})
        except BaseException:
            proxy.stop()
            raise
        series = {kind: [] for kind in h.LEAK_LIMITS}
        leaking_handles, delays = [], []
        try:
            for run in range(self.RUNS):
                proxy.clear()
                start = time.monotonic()
                tool = session.launch()
                info = session.wait_window()
                both = proxy.wait_for(2)
                self.assertIsNotNone(both, "run %d: both pages requested" % (run + 1))
                delays.append(both - start)
                counts = self.measure(session, info["pid"])
                for kind in ("handles", "windows", "gdi_objects"):
                    series[kind].append(counts[kind])
                series["memory_kb"].append(session.anonymous_memory_kb())
                # The same run as a tool that leaked one handle in each earlier run would be: the
                # check below must call that a leak, or it proves nothing about the real series.
                leaked = session.probe("leak", str(info["pid"]), str(run))
                self.assertTrue(leaked["ok"], leaked)
                leaking_handles.append(leaked["handles"])
                session.key("alt+F4")
                self.assertEqual(tool.wait(timeout=60), 0, "run %d: the tool ended" % (run + 1))
                session.wait_for(lambda: not session.tool_pids(), timeout=30,
                                 what="run %d: no tool process left" % (run + 1))
                self.assertFalse(session.window()["found"])
                self.assertEqual(len(proxy.requests()), 2, "run %d: two page requests" % (run + 1))
        finally:
            session.close()
            proxy.stop()
        figure("runs: %d; launch to both page requests: median %.2f s, max %.2f s"
               % (len(delays), statistics.median(delays), max(delays)))
        # Each run is a new process: what it holds once both pages are requested must not grow
        # from run to run (a leak that outlives the process, in the Wine server, would show here).
        for kind, values in series.items():
            if not any(values):
                figure("%s: not reported by this system" % kind)
                continue
            leaks, judged = h.leak_verdict(kind, values)
            figure("%s (min %g, max %g)" % (judged, min(values), max(values)))
            self.assertFalse(leaks, judged)
        leaks, judged = h.leak_verdict("handles", leaking_handles)
        figure("with one handle leaked per run, " + judged)
        self.assertTrue(leaks, "a leak of one handle per run must be caught: " + judged)


class LeakRule(unittest.TestCase):
    """The leak rule tells growth from noise."""

    def test_a_transient_handle_late_in_the_runs_is_not_a_leak(self):
        counts = [48] * 50
        counts[37] = 49
        self.assertFalse(h.leak_verdict("handles", counts)[0])

    def test_a_count_that_flips_between_two_values_is_not_a_leak(self):
        # Seen here: 47 or 48 handles from run to run, the late median half a handle higher.
        counts = [47, 48, 47, 47, 48, 47, 47, 47, 48, 47] + [47, 48] * 15 + [48, 47, 48, 47, 48, 48, 47, 47, 48, 47]
        self.assertFalse(h.leak_verdict("handles", counts)[0])
        self.assertFalse(h.leak_verdict("handles", [47] * 10 + counts[10:])[0], "steady at first, flipping later")

    def test_one_handle_per_run_and_a_step_that_stays_are_leaks(self):
        self.assertTrue(h.leak_verdict("handles", [48 + run for run in range(50)])[0])
        self.assertTrue(h.leak_verdict("handles", [48] * 25 + [49] * 25)[0])

    def test_memory_noise_is_not_a_leak_but_steady_growth_is(self):
        noise = [14100 + (317 * run) % 1300 for run in range(50)]
        self.assertFalse(h.leak_verdict("memory_kb", noise)[0])
        # Seen here: the lower of two levels a megabyte apart in the first runs, the higher in the last.
        levels = [15724] * 10 + [15724, 16752] * 15 + [16752] * 10
        self.assertFalse(h.leak_verdict("memory_kb", levels)[0])
        self.assertTrue(h.leak_verdict("memory_kb", [v + 100 * run for run, v in enumerate(noise)])[0])


if __name__ == "__main__":
    h.main()
