#!/usr/bin/python3
"""Both Linux programs as a screen reader meets them: their accessible trees read through AT-SPI
(pyatspi), a slider set through its Value interface and switches pressed through their action,
the results read back from the card log, as a key leaves them. Run on a session bus under X:

  xvfb-run -a dbus-run-session -- /usr/bin/python3 tests/a11y/accessibility.py BUILD_DIR

BUILD_DIR is a built Linux tree (its bin/ holds Volsar.exe and pelzorn.exe). HOME and the XDG
folders point into a temporary folder, removed afterwards. Without a session bus, or when the
accessibility bus or its registry does not come up, the run fails with a line saying which."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

started = time.monotonic()
build = os.path.abspath(sys.argv[1]) if len(sys.argv) == 2 else sys.exit('usage: accessibility.py BUILD_DIR')
bin_dir = os.path.join(build, 'bin')
work = tempfile.mkdtemp(prefix='vexmor-a11y.')
home = os.path.join(work, 'home')
runtime = os.path.join(work, 'runtime')
os.makedirs(home)
os.makedirs(runtime, mode=0o700)
log = os.path.join(work, 'card.log')
env = dict(os.environ, HOME=home, XDG_CONFIG_HOME='', XDG_STATE_HOME='', XDG_DATA_HOME='', XDG_RUNTIME_DIR=runtime,
           QT_QPA_PLATFORM='xcb', QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1', VEXMOR_CARD_LOG=log)
children = []


def fatal(line):
    print('FAIL: ' + line)
    for child in children:
        child.kill()
    shutil.rmtree(work, ignore_errors=True)
    sys.exit(1)


if not os.environ.get('DBUS_SESSION_BUS_ADDRESS'):
    fatal('no session bus (DBUS_SESSION_BUS_ADDRESS is not set): run under dbus-run-session')
launcher = subprocess.Popen(['/usr/libexec/at-spi-bus-launcher', '--launch-immediately'],
                            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
children.append(launcher)
try:
    import pyatspi
except ImportError as error:
    fatal('pyatspi cannot be imported (%s): python3-pyatspi, and /usr/bin/python3' % error)

passed = failed = 0


def check(what, ok):
    global passed, failed
    if ok:
        passed += 1
        print('ok: ' + what)
    else:
        failed += 1
        print('FAIL: ' + what)
    return ok


def soon(what, test, seconds=5):
    """A check of what a program does in answer, given up to `seconds` to come true."""
    end = time.monotonic() + seconds
    while True:
        try:
            if test():
                return check(what, True)
        except Exception:  # a tree that is still being built
            pass
        if time.monotonic() > end:
            return check(what, False)
        time.sleep(0.1)


def desktop_apps():
    desktop = pyatspi.Registry.getDesktop(0)
    return [desktop.getChildAtIndex(i) for i in range(desktop.childCount)]


# The registry must answer before anything is read from it: a bus that is up but empty fails here.
end = time.monotonic() + 10
while True:
    try:
        pyatspi.Registry.getDesktop(0).childCount
        break
    except Exception as error:
        if time.monotonic() > end:
            fatal('the AT-SPI registry does not answer on the accessibility bus: %s' % error)
        time.sleep(0.2)


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def find(root, role, name=None):
    return [n for n in walk(root) if n.getRole() == role and (name is None or n.name == name)]


def start(program):
    out = open(os.path.join(work, os.path.basename(program) + '.err'), 'w+')
    process = subprocess.Popen([os.path.join(bin_dir, program)], env=env, cwd=work,
                               stdout=out, stderr=out)
    children.append(process)
    app = None
    end = time.monotonic() + 10
    while app is None and time.monotonic() < end:
        time.sleep(0.2)
        try:
            app = next((a for a in desktop_apps()
                        if a is not None and a.get_process_id() == process.pid), None)
        except Exception:
            app = None
    return process, app


def finish(process):
    try:
        return process.wait(10)
    except subprocess.TimeoutExpired:
        process.kill()
        return process.wait()


def log_lines():
    try:
        with open(log) as f:
            return f.read().splitlines()
    except FileNotFoundError:
        return []


def key(window_name, *keys):
    wid = subprocess.run(['xdotool', 'search', '--name', '^%s$' % window_name],
                         capture_output=True, text=True).stdout.split()
    if wid:
        subprocess.run(['xdotool', 'windowfocus', '--sync', wid[0]], capture_output=True)
    for k in keys:
        subprocess.run(['xdotool', 'key', '--clearmodifiers', k], capture_output=True)
        time.sleep(0.15)


def press(node):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    return action.doAction(names.index('Press'))


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)


# --- The panel -------------------------------------------------------------------------------
panel, app = start('Volsar.exe')
if app is None:
    fatal('the panel does not show up in the accessibility tree')
check('the application is named "Volsar"', app.name == 'Volsar')
dialogs = find(app, pyatspi.ROLE_DIALOG, 'Vexmor Recording') or find(app, pyatspi.ROLE_FRAME, 'Vexmor Recording')
check('its window is "Vexmor Recording"', len(dialogs) == 1)
sliders = {s.name: s for s in find(app, pyatspi.ROLE_SLIDER)}
print('   sliders: %s' % sorted(sliders))
for name, maximum in (('Mic Volume', 127), ('Aux Volume', 255)):
    slider = sliders.get(name + ':') or sliders.get(name)
    value = slider.queryValue() if slider else None
    check('slider "%s" at 0 of 0-%d' % (name, maximum),
          value is not None and (value.minimumValue, value.maximumValue, value.currentValue) == (0, maximum, 0))
buttons = {b.name: b for b in find(app, pyatspi.ROLE_PUSH_BUTTON)}
print('   buttons: %s' % sorted(buttons))
for name in ('Monitor Off', 'Line', '16 Bit', 'Stereo'):
    node = buttons.get(name)
    has_press = False
    if node is not None:
        action = node.queryAction()
        has_press = 'Press' in [action.getName(i) for i in range(action.nActions)]
    check('button "%s" with its Press action' % name, has_press)
check('  the mode byte 0x16 reached port 0x334 before any input', log_lines() == ['out 0x0334 0x16'])

mic = sliders.get('Mic Volume:') or sliders.get('Mic Volume')
before = len(log_lines())
if mic is not None:
    mic.queryValue().currentValue = 64
soon('the Value interface sets the microphone slider to 64', lambda: mic.queryValue().currentValue == 64)
soon('  and the gain reaches the card: index 4, then 64',
     lambda: [l for l in log_lines()[before:] if l.startswith('out')] == ['out 0x0333 0x04', 'out 0x0332 0x40'])
by_value = log_lines()[before:]
time.sleep(0.5)
check('  once', len(log_lines()) - before == len(by_value))
before = len(log_lines())
key('Vexmor Recording', 'Right')
soon('a key then moves it to 65', lambda: mic.queryValue().currentValue == 65)
soon('  written exactly as the value was (index, status polls, gain)',
     lambda: [l.replace('0x41', 'VALUE') for l in log_lines()[before:]] ==
             [l.replace('0x40', 'VALUE') for l in by_value])

stereo = buttons.get('Stereo')
if stereo is not None:
    press(stereo)
soon('pressing "Stereo" through its action writes mode byte 0x14', lambda: log_lines()[-1] == 'out 0x0334 0x14')
soon('  and the button now reads "Mono"',
     lambda: [b.name for b in find(app, pyatspi.ROLE_PUSH_BUTTON)].count('Mono') == 1)
by_action = log_lines()[-1:]
key('Vexmor Recording', 'alt+n')
soon('  Alt+N writes 0x16, as the action wrote its byte', lambda: log_lines()[-1:] == ['out 0x0334 0x16'] and by_action == ['out 0x0334 0x14'])

key('Vexmor Recording', 'F1')


def help_text():
    """The text of every node of the help window that has some, as a screen reader reads it."""
    window = next(n for n in walk(app) if n.name == 'Vexmor Recording Help')
    texts = []
    for node in walk(window):
        try:
            texts.append(text_of(node))
        except NotImplementedError:
            pass
    return ' '.join(texts)


soon('F1 opens "Vexmor Recording Help" in the tree',
     lambda: any(n.name == 'Vexmor Recording Help' for n in walk(app)))
soon('  its text is the help without markup',
     lambda: 'Mic Volume (Alt+V) sets the microphone gain' in help_text() and '**' not in help_text())
key('Vexmor Recording Help', 'Escape')
soon('  Escape closes it', lambda: not any(n.name == 'Vexmor Recording Help' for n in walk(app)))
key('Vexmor Recording', 'Escape')
check('Escape ends the panel with status 0', finish(panel) == 0)
with open(os.path.join(home, '.config/vexmor/registry/user.reg')) as f:
    check('  the switches are saved (Chan 1)', '"Chan"=dword:00000001' in f.read())

# --- The uninstaller: read, then Cancel through its action (OK would uninstall the build) -----
uninstall, app = start('pelzorn.exe')
if app is None:
    fatal('the uninstaller does not show up in the accessibility tree')
labels = [n.name for n in find(app, pyatspi.ROLE_LABEL)]
print('   labels: %s' % labels)
check('the uninstaller asks its question',
      'Click on OK to uninstall the Vexmor Recording' in labels and
      'Panel. This will remove all files from your computer.' in labels)
buttons = {b.name: b for b in find(app, pyatspi.ROLE_PUSH_BUTTON)}
check('  with "OK" and "Cancel" buttons', sorted(buttons) == ['Cancel', 'OK'])
if 'Cancel' in buttons:
    press(buttons['Cancel'])
check('"Cancel" pressed through its action ends it with status 0', finish(uninstall) == 0)
check('  and removes nothing', os.path.exists(os.path.join(bin_dir, 'Volsar.exe')))

# --- No session bus: the panel starts as before, silently ------------------------------------
env_without_bus = {k: v for k, v in env.items() if k not in ('DBUS_SESSION_BUS_ADDRESS', 'AT_SPI_BUS_ADDRESS')}
open(log, 'w').close()
err = os.path.join(work, 'nobus.err')
with open(err, 'w') as out:
    quiet = subprocess.Popen([os.path.join(bin_dir, 'Volsar.exe')], env=env_without_bus, stdout=out, stderr=out)
    children.append(quiet)
    end = time.monotonic() + 10
    while not log_lines() and time.monotonic() < end:
        time.sleep(0.1)
    time.sleep(0.5)
    key('Vexmor Recording', 'Escape')
    check('without a session bus the panel starts and ends with status 0',
          finish(quiet) == 0 and log_lines()[:1] == ['out 0x0334 0x16'])
with open(err) as f:
    said = f.read()
check('  saying nothing', said == '' or print('   it said: %r' % said))

launcher.terminate()
launcher.wait()
shutil.rmtree(work, ignore_errors=True)
print('%d passed, %d failed (accessibility stage: %.1f s)' % (passed, failed, time.monotonic() - started))
sys.exit(0 if failed == 0 else 1)
