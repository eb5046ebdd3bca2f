#!/usr/bin/python3
"""The browser build in Debian's chromium, headless, driven through
chromium-driver: the page's title, level 3 on the canvas, an idle game's canvas
against the replay runner's frame, a right click to level 0, ship 1 firing with
its sound, the report dialog and exit status without fire.wav, and the page's
timings and sizes; the game's recording downloaded, verified by the replay
runner and watched through the page's file input, and a malformed one refused;
the computer chosen for walker 1, which fires with nobody at the arena.

Usage: tests/web/page.py WEB_DIR NORMAL_BUILD_DIR
"""
import base64
import functools
import gzip
import http.server
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import zlib

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.mouse_button import MouseButton
from selenium.webdriver.common.by import By
from selenium.webdriver.support.select import Select

TITLE = 'Starquell. Early concept demo only.'
WHITE, BLACK, GREY = (255, 255, 255), (0, 0, 0), (153, 153, 153)
NO_FIRE_TEXT = 'Sound system error in audioCreateSound. The file was not found. (errnum=7)  Contine?'


def fail(message):
    print(f'FAIL: {message}', flush=True)
    sys.exit(1)


def ok(message):
    print(f'ok: {message}', flush=True)


class Site:
    """A folder served on a free loopback port for as long as the block runs."""

    def __init__(self, folder):
        handler = functools.partial(Quiet, directory=folder)
        self.server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
        self.url = f'http://127.0.0.1:{self.server.server_address[1]}/'

    def __enter__(self):
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        return self

    def __exit__(self, *_):
        self.server.shutdown()
        self.server.server_close()


class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *_):
        pass

    def end_headers(self):
        # Cross-origin isolation gives the page's clock its finer grain (5 us
        # instead of 100 us), for the timings; the page runs either way.
        self.send_header('Cross-Origin-Opener-Policy', 'same-origin')
        self.send_header('Cross-Origin-Embedder-Policy', 'require-corp')
        super().end_headers()


def browser():
    options = Options()
    options.binary_location = '/usr/bin/chromium'
    for arg in ('--headless=new', '--no-sandbox', '--disable-dev-shm-usage', '--disable-gpu',
                '--window-size=1000,800', '--disable-extensions'):
        options.add_argument(arg)
    options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
    return webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)


def wait_for(driver, script, what, timeout=20.0):
    end = time.time() + timeout
    while time.time() < end:
        value = driver.execute_script(script)
        if value:
            return value
        time.sleep(0.05)
    fail(f'{what}: not within {timeout:.0f} s')


def wait_first_frame(driver):
    wait_for(driver, 'return window.Module && Module.starquellStats &&'
                     ' Module.starquellStats.firstFrameMs !== null', 'the first frame')


def canvas_rgba(driver):
    """The canvas as the page holds it: RGBA bytes, top row first, and its size."""
    width, height, data = driver.execute_script('''
        var c = document.getElementById('arena');
        var d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
        var s = '';
        for (var i = 0; i < d.length; i += 0x8000) s += String.fromCharCode.apply(null, d.subarray(i, i + 0x8000));
        return [c.width, c.height, btoa(s)];''')
    return width, height, base64.b64decode(data)


def pixel(rgba, width, x, y):
    at = (y * width + x) * 4
    return tuple(rgba[at:at + 3])


def expect_colours(driver, what, samples):
    width, _, rgba = canvas_rgba(driver)
    wrong = [f'({x},{y}) is {pixel(rgba, width, x, y)}, not {want}'
             for (x, y), want in samples if pixel(rgba, width, x, y) != want]
    if wrong:
        fail(f'{what}: ' + '; '.join(wrong))
    ok(f'{what}: {len(samples)} samples')


def read_png_rgb(path):
    """The replay runner's PNG: 8-bit RGB rows, each after filter byte 0."""
    with open(path, 'rb') as f:
        data = f.read()
    at, idat, width, height = 8, b'', 0, 0
    while at < len(data):
        size = int.from_bytes(data[at:at + 4], 'big')
        kind = data[at + 4:at + 8]
        body = data[at + 8:at + 8 + size]
        if kind == b'IHDR':
            width, height = int.from_bytes(body[0:4], 'big'), int.from_bytes(body[4:8], 'big')
            if body[8:13] != bytes([8, 2, 0, 0, 0]):
                fail(f'{path}: not the runner\'s 8-bit RGB PNG')
        elif kind == b'IDAT':
            idat += body
        at += 12 + size
    raw = zlib.decompress(idat)
    row = 1 + 3 * width
    if any(raw[y * row] != 0 for y in range(height)):
        fail(f'{path}: filtered rows')
    return width, height, b''.join(raw[y * row + 1:(y + 1) * row] for y in range(height))


def runner(normal_build):
    return os.path.join(normal_build, 'tools/replay/starquell-replay')


def runner_frame(normal_build, work, frame, script='-', frames=None):
    """The replay runner's picture after frame FRAME of SCRIPT (a game without input)."""
    png = os.path.join(work, f'frame{frame}.png')
    subprocess.run([runner(normal_build), '--frames', str(frames or frame + 1), '--dump-frame', str(frame),
                    png, script], input='', capture_output=True, check=True)
    return read_png_rgb(png)


def canvas_rgb(driver):
    width, height, rgba = canvas_rgba(driver)
    return width, height, bytes(b for i in range(0, len(rgba), 4) for b in rgba[i:i + 3])


def console_lines(driver):
    return [entry['message'] for entry in driver.get_log('browser')]


def idle_game(driver, site, normal_build, work):
    """Title, level 3, the canvas against the runner's frame, and the pacing."""
    driver.get(site.url)
    wait_first_frame(driver)
    if driver.title != TITLE:
        fail(f'page title is "{driver.title}", expected "{TITLE}"')
    ok(f'page title "{driver.title}"')
    w, h = driver.execute_script("var c = document.getElementById('arena'); return [c.width, c.height];")
    if (w, h) != (734, 531):
        fail(f'the arena is {w}x{h}, expected 734x531')
    rendering, menu_refused = driver.execute_script('''
        var c = document.getElementById('arena');
        var menu = new MouseEvent('contextmenu', {bubbles: true, cancelable: true, button: 2});
        c.dispatchEvent(menu);
        return [getComputedStyle(c).imageRendering, menu.defaultPrevented];''')
    if rendering not in ('pixelated', 'crisp-edges') or not menu_refused:
        fail(f'the arena is drawn "{rendering}" and its context menu '
             f'{"is refused" if menu_refused else "opens"}')
    ok('the arena is never smoothed and opens no context menu')
    cy = h - 1 - h // 2
    expect_colours(driver, 'level 3: halves, discs and border', [
        ((30, cy), BLACK), ((w // 4, cy - 60), WHITE), ((w // 4, cy + 60), WHITE),
        ((w - 34, cy), WHITE), ((w * 3 // 4, cy - 60), BLACK), ((w * 3 // 4, cy + 60), BLACK),
        ((9, cy), GREY), ((w - 9, cy), GREY), ((w // 2, 6), GREY), ((w // 2, h - 8), GREY),
        ((8, cy), BLACK), ((w - 8, cy), WHITE)])

    # The canvas and the number of presents in one turn of the page: the
    # program does not run meanwhile. The present of a paint shows the frame
    # before it, so after N presents the canvas holds frame N - 2.
    wait_for(driver, 'return Module.starquellStats.presents.length > 240', '240 frames', timeout=30)
    presents, (width, height, rgba) = driver.execute_script('''
        var c = document.getElementById('arena');
        var d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
        var s = '';
        for (var i = 0; i < d.length; i += 0x8000) s += String.fromCharCode.apply(null, d.subarray(i, i + 0x8000));
        return [Module.starquellStats.presents.length, [c.width, c.height, btoa(s)]];''')
    rgba = base64.b64decode(rgba)
    rgb = bytes(b for i in range(0, len(rgba), 4) for b in rgba[i:i + 3])
    frame = presents - 2
    rw, rh, want = runner_frame(normal_build, work, frame)
    if (width, height) != (rw, rh):
        fail(f'canvas {width}x{height}, runner frame {rw}x{rh}')
    if rgb != want:
        differ = sum(1 for i in range(0, len(want), 3) if rgb[i:i + 3] != want[i:i + 3])
        near = [f for f in (frame - 2, frame - 1, frame + 1) if runner_frame(normal_build, work, f)[2] == rgb]
        fail(f'after {presents} presents the canvas differs from the runner\'s frame {frame} in '
             f'{differ} pixels' + (f'; it equals frame {near[0]}' if near else ''))
    ok(f'after {presents} presents the canvas equals the replay runner\'s frame {frame} '
       f'pixel for pixel ({width}x{height}, the ships moving)')

    # Pacing: 600 frame periods once the start-up's catch-up frames are past;
    # meanwhile the page's own animation frames show whether it still draws.
    driver.execute_script('''
        window.starquellPageFrames = [0, performance.now()];
        (function count() { window.starquellPageFrames[0]++; requestAnimationFrame(count); })();''')
    wait_for(driver, 'return Module.starquellStats.presents.length >= 720', '720 frames', timeout=30)
    page_frames, since = driver.execute_script('return window.starquellPageFrames')
    page_rate = page_frames * 1000.0 / driver.execute_script(f'return performance.now() - {since}')
    stats = driver.execute_script('return Module.starquellStats')
    presents = stats['presents'][-601:]
    periods = [b - a for a, b in zip(presents, presents[1:])]
    put = stats['putMs'][-600:]
    work_ms = stats['workMs'][-600:]
    return {
        'first_frame_ms': stats['firstFrameMs'],
        'start_ms': driver.execute_script('return Module.starquellStartMs'),
        'period_mean': statistics.mean(periods), 'period_sd': statistics.pstdev(periods),
        'period_min': min(periods), 'period_max': max(periods),
        'period_near': sum(1 for p in periods if abs(p - 1000.0 / 60) <= 1.0),
        'put_mean': statistics.mean(put), 'put_median': statistics.median(put),
        'work_mean': statistics.mean(work_ms), 'work_median': statistics.median(work_ms),
        'page_rate': page_rate,
    }


def play(driver, site):
    """A right click in the locked time gives level 0; Z and X fire from ship 1."""
    driver.get(site.url)
    wait_first_frame(driver)
    canvas = driver.find_element(By.ID, 'arena')
    w, h = 734, 531
    click = ActionChains(driver)
    pointer = click.w3c_actions.pointer_action
    pointer.move_to(canvas, 0, 300 - h // 2)
    pointer.pointer_down(MouseButton.RIGHT)
    pointer.pause(0.1)
    pointer.pointer_up(MouseButton.RIGHT)
    click.perform()
    elapsed = driver.execute_script('return performance.now() - Module.starquellStats.firstFrameMs')
    if elapsed >= 1800:
        fail(f'the click came {elapsed:.0f} ms after the first frame: too late for the locked time')
    time.sleep(0.3)
    expect_colours(driver, f'right click at {elapsed:.0f} ms: level 0', [
        ((100, 100), WHITE), ((w - 134, 100), WHITE), ((100, h - 81), BLACK),
        ((w - 134, h - 81), BLACK), ((w // 2, 6), GREY)])
    if driver.find_elements(By.CSS_SELECTOR, 'dialog[open]'):
        fail('a dialog is open over the arena')

    # Locked for 60 frames after the level change; then ship 1 fires.
    time.sleep(1.5)
    driver.execute_script('''
        var c = document.getElementById('arena');
        window.starquellBefore = c.getContext('2d').getImageData(0, c.height - 250, c.width, 250).data;''')
    console_lines(driver)  # what came before the shots
    ActionChains(driver).key_down('z').key_down('x').pause(1.5).key_up('z').key_up('x').perform()
    time.sleep(0.3)
    changed = driver.execute_script('''
        var c = document.getElementById('arena');
        var after = c.getContext('2d').getImageData(0, c.height - 250, c.width, 250).data;
        var before = window.starquellBefore, n = 0;
        for (var i = 0; i < after.length; i += 4)
          if (after[i] !== before[i] || after[i + 1] !== before[i + 1] || after[i + 2] !== before[i + 2]) ++n;
        return n;''')
    if changed <= 400:
        fail(f'holding Z and X changed {changed} pixels of the lower half; expected shots to strike there')
    ok(f'ship 1 fired: {changed} pixels of the lower half changed')
    lines = console_lines(driver)
    played = [line for line in lines if 'audio: play fire.wav' in line]
    if not played:
        fail('no "audio: play fire.wav" on the console after ship 1 fired:\n' + '\n'.join(lines))
    silent = [line for line in played if '(silent' in line]
    if silent:
        fail(f'the fire sound was not audible: {silent[0]}')
    ok(f'the fire sound played {len(played)} times (Web Audio, after the first click)')


def recordings(driver, site, normal_build, work):
    """A game played a little is downloaded through the page, verified by the
    replay runner and watched through the file input; a malformed recording
    gets the program's refusal on the page."""
    downloads = os.path.join(work, 'downloads')
    os.mkdir(downloads)
    driver.execute_cdp_cmd('Browser.setDownloadBehavior', {'behavior': 'allow', 'downloadPath': downloads})
    driver.get(site.url)
    wait_first_frame(driver)
    time.sleep(2.2)  # past the locked time
    ActionChains(driver).key_down('z').key_down('x').pause(1.0).key_up('z').key_up('x').perform()
    time.sleep(0.3)
    driver.find_element(By.ID, 'download').click()
    end, names = time.time() + 10, []
    while time.time() < end:
        names = [n for n in os.listdir(downloads) if n.endswith('.replay')]
        if names:
            break
        time.sleep(0.1)
    if not names:
        fail(f'no recording downloaded; the page says "{driver.find_element(By.ID, "status").text}"')
    recording = os.path.join(downloads, names[0])
    with open(recording) as f:
        lines = f.read().splitlines()
    if not lines or lines[0] != '# starquell replay 1':
        fail(f'{names[0]} begins "{lines[:1]}", not a recording')
    for wanted in ('key 90 down', 'key 88 up', 'crc '):
        if not any(f' {wanted}' in line for line in lines):
            fail(f'{names[0]} holds no "{wanted}"')
    verify = subprocess.run([runner(normal_build), '--verify', recording], capture_output=True, text=True)
    if verify.returncode != 0 or not verify.stdout.startswith('verified: '):
        fail(f'the runner does not verify the download (status {verify.returncode}): '
             f'{verify.stdout}{verify.stderr}')
    ok(f'downloaded {names[0]}, {len(lines)} lines; the runner says: {verify.stdout.strip()}')

    # Watched, it ends on the picture the game showed before its last frame.
    last = max(int(line.split()[0]) for line in lines if line[:1].isdigit())
    rw, rh, want = runner_frame(normal_build, work, last - 1, recording, last)
    driver.find_element(By.ID, 'watch').send_keys(recording)
    wait_for(driver, f"return document.title === '{TITLE} (replay)'", 'the watching page')
    end, got = time.time() + last / 60 + 20, None
    while time.time() < end:
        got = canvas_rgb(driver)
        if got == (rw, rh, want):
            break
        time.sleep(0.5)
    if got != (rw, rh, want):
        differ = sum(1 for i in range(0, len(want), 3) if got[2][i:i + 3] != want[i:i + 3])
        fail(f'the watched game ended {got[0]}x{got[1]}, {differ} pixels off the runner\'s frame {last - 1}')
    if driver.find_element(By.ID, 'messages').text:
        fail(f'the watched game said: {driver.find_element(By.ID, "messages").text}')
    ok(f'watched through the file input: the canvas ends on the runner\'s frame {last - 1}, pixel for pixel')

    # Refused by the program, which says why on the page.
    for name, data in (('broken.replay', b'# starquell replay 1\nclient 734 531\n12 jump\n'),
                       ('newer.replay', b'# starquell replay 2\n'), ('binary.replay', bytes(range(256)))):
        path = os.path.join(work, name)
        with open(path, 'wb') as f:
            f.write(data)
        driver.execute_script('window.starquellLeft = true')
        driver.find_element(By.ID, 'watch').send_keys(path)
        # The reason in the program's box first, as a player who has no
        # terminal sees it; answered, the program ends with status 2.
        wait_for(driver, "return !window.starquellLeft &&"
                         " document.querySelector('dialog.report[open]') !== null", f'the box refusing {name}')
        box = driver.execute_script("return document.querySelector('dialog.report[open] .text').textContent")
        if name not in box:
            fail(f'{name}: the box says "{box}"')
        driver.find_element(By.CSS_SELECTOR, 'dialog.report[open] button').click()
        status = wait_for(driver, "var s = document.getElementById('status').textContent;"
                                  " return s.indexOf('exit status') >= 0 ? s : null",
                          f'the refusal of {name}')
        message = driver.find_element(By.ID, 'messages').text
        if '(exit status 2)' not in status or name not in message:
            fail(f'{name}: the page says "{status}" and "{message}"')
        ok(f'{name} is refused: a box saying "{box}", then "{message}", {status}')


def white_inside(driver):
    """Walker 1's pixels (white) inside the arena's border."""
    width, height, rgba = canvas_rgba(driver)
    return sum(1 for y in range(7, height - 9) for x in range(10, width - 10)
               if rgba[(y * width + x) * 4:(y * width + x) * 4 + 3] == bytes(WHITE))


def computer(driver, site):
    """The computer chosen for walker 1 starts a new game under a title naming
    it; with nobody at the arena its walker fires (the fire sound, audible
    after a click beside the arena) and its white territory grows. The choice
    stays for the tab until the player takes walker 1 back."""
    driver.get(site.url)
    wait_first_frame(driver)
    driver.execute_script('window.starquellLeft = true')
    Select(driver.find_element(By.ID, 'walker1')).select_by_value('normal')
    want = f'{TITLE} (computer plays walker 1)'
    wait_for(driver, f"return !window.starquellLeft && document.title === '{want}'", 'the computer\'s game')
    wait_first_frame(driver)
    choice = driver.execute_script("return document.getElementById('walker1').value")
    if choice != 'normal':
        fail(f'after the new game the choice shows "{choice}"')
    ok(f'computer (normal) chosen: a new game titled "{driver.title}"')
    # A click beside the arena lets the page's audio start; the game sees no input.
    driver.find_element(By.ID, 'opponent').click()
    before = white_inside(driver)
    console_lines(driver)
    time.sleep(8)
    after = white_inside(driver)
    lines = console_lines(driver)
    played = [line for line in lines if 'audio: play fire.wav' in line]
    if not played or any('(silent' in line for line in played):
        fail('no audible "audio: play fire.wav" on the console with the computer playing:\n' + '\n'.join(lines))
    if after <= before:
        fail(f'walker 1\'s territory went from {before} to {after} white pixels in 8 s')
    ok(f'with nobody at the arena the computer fired ({len(played)} fire sounds) and walker 1\'s '
       f'territory grew from {before} to {after} white pixels')
    driver.execute_script('window.starquellLeft = true')
    Select(driver.find_element(By.ID, 'walker1')).select_by_value('player')
    wait_for(driver, f"return !window.starquellLeft && document.title === '{TITLE}'", 'the players\' game')
    ok('walker 1 taken back by the player: a new game titled as before')


def no_fire(driver, folder, work):
    """Without fire.wav: the "Sound system problem." dialog, then status 255."""
    site_dir = os.path.join(work, 'no-fire')
    shutil.copytree(folder, site_dir)
    os.remove(os.path.join(site_dir, 'fire.wav'))
    with Site(site_dir) as site:
        driver.get(site.url)
        wait_for(driver, "return document.querySelector('dialog.report[open]') !== null",
                 'the report dialog')
        caption = driver.find_element(By.CSS_SELECTOR, 'dialog.report[open] .caption').text
        text = driver.execute_script("return document.querySelector('dialog.report[open] .text').textContent")
        if caption != 'Sound system problem.':
            fail(f'dialog caption "{caption}"')
        if text != NO_FIRE_TEXT:
            fail(f'dialog text "{text}", expected "{NO_FIRE_TEXT}"')
        status = driver.find_element(By.ID, 'status').text
        if status:
            fail(f'the page reports an end before the dialog was answered: {status}')
        ok(f'the "{caption}" dialog: "{text}"')
        buttons = driver.find_elements(By.CSS_SELECTOR, 'dialog.report[open] button')
        if [b.text for b in buttons] != ['OK']:
            fail(f'dialog buttons {[b.text for b in buttons]}, expected OK alone')
        buttons[0].click()
        status = wait_for(driver, "var s = document.getElementById('status').textContent; return s || null",
                          'the exit status on the page', timeout=10)
        if driver.execute_script('return Module.exitStatus') != 255 or '255' not in status:
            fail(f'after the answer the page says "{status}", expected status 255')
        if driver.find_elements(By.CSS_SELECTOR, 'dialog[open]'):
            fail('the dialog is still open')
        ok(f'answered, the page says: {status}')


def gzip_size(path):
    with open(path, 'rb') as f:
        return len(gzip.compress(f.read(), compresslevel=9))


def main():
    if len(sys.argv) != 3:
        fail('usage: tests/web/page.py WEB_DIR NORMAL_BUILD_DIR')
    folder, normal_build = (os.path.abspath(a) for a in sys.argv[1:])
    for name in ('index.html', 'starquell.js', 'starquell.wasm', 'hit.wav', 'fire.wav', 'sound21.wav'):
        if not os.path.isfile(os.path.join(folder, name)):
            fail(f'{folder} has no {name}')
    with tempfile.TemporaryDirectory() as work:
        driver = browser()
        try:
            with Site(folder) as site:
                timing = idle_game(driver, site, normal_build, work)
                play(driver, site)
                recordings(driver, site, normal_build, work)
                computer(driver, site)
            no_fire(driver, folder, work)
        finally:
            driver.quit()
    print(f"web timing: program started {timing['start_ms']:.0f} ms after the page began to load, "
          f"first frame at {timing['first_frame_ms']:.0f} ms (the pacer measures its counter for 1 s first)")
    print(f"web timing: 600 frame periods mean {timing['period_mean']:.3f} ms, "
          f"deviation {timing['period_sd']:.3f} ms (min {timing['period_min']:.1f}, max {timing['period_max']:.1f}, "
          f"{timing['period_near']} within 1 ms of 16.667); "
          f"the page drew {timing['page_rate']:.1f} animation frames per second meanwhile")
    print(f"web timing: putImageData of a frame mean {timing['put_mean']:.3f} ms "
          f"(median {timing['put_median']:.3f}); the frame's own work after it mean "
          f"{timing['work_mean']:.3f} ms (median {timing['work_median']:.3f}); "
          f"ratio {timing['put_mean'] / max(timing['work_mean'], 1e-9):.2f}")
    for name in ('starquell.wasm', 'starquell.js'):
        path = os.path.join(folder, name)
        print(f'web size: {name} {os.path.getsize(path)} bytes, {gzip_size(path)} gzipped')
    print('web: all checks passed')


if __name__ == '__main__':
    main()
