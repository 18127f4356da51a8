#!/usr/bin/python3
"""Both Linux programs as a screen reader meets them, through AT-SPI (pyatspi); results read back
from the card log, compared with what a key writes. Fails naming the bus or registry that does
not come up. Run: xvfb-run -a dbus-run-session -- /usr/bin/python3 accessibility.py BUILD_DIR"""
import os, shutil, subprocess, sys, tempfile, time

started, bin_dir = time.monotonic(), os.path.join(os.path.abspath(sys.argv[1]), 'bin')
work = tempfile.mkdtemp(prefix='vexmor-a11y.')
home, runtime, log = (os.path.join(work, n) for n in ('home', 'runtime', 'card.log'))
os.makedirs(home), os.makedirs(runtime, mode=0o700)
env = dict(os.environ, HOME=home, XDG_CONFIG_HOME='', XDG_STATE_HOME='', XDG_DATA_HOME='', XDG_RUNTIME_DIR=runtime,
           QT_QPA_PLATFORM='xcb', QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1', VEXMOR_CARD_LOG=log)
if not os.environ.get('DBUS_SESSION_BUS_ADDRESS'):
    sys.exit('FAIL: no session bus (DBUS_SESSION_BUS_ADDRESS is not set): run under dbus-run-session')
launcher = subprocess.Popen(['/usr/libexec/at-spi-bus-launcher', '--launch-immediately'], env=env)
import pyatspi  # noqa: E402 (Debian's python3-pyatspi)

passed = failed = 0


def check(what, test, seconds=0):  # given `seconds` to come true
    global passed, failed
    end = time.monotonic() + seconds
    while True:
        try:
            ok = bool(test())
        except Exception:  # a tree still being built
            ok = False
        if ok or time.monotonic() >= end:
            break
        time.sleep(0.1)
    passed, failed = passed + ok, failed + (not ok)
    print(('ok: ' if ok else 'FAIL: ') + what)


def walk(node):
    yield node
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i))


def named(app, role):
    return {n.name: n for n in walk(app) if n.getRole() == role}


def start(program, environment=env):
    process = subprocess.Popen([os.path.join(bin_dir, program)], env=environment, cwd=work,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    for _ in range(50):
        time.sleep(0.2)
        desktop = pyatspi.Registry.getDesktop(0)
        apps = [desktop.getChildAtIndex(i) for i in range(desktop.childCount)]
        app = next((a for a in apps if a and a.get_process_id() == process.pid), None)
        if app or environment is not env:
            return process, app
    sys.exit('FAIL: %s does not show up in the accessibility tree' % program)


def lines():
    return open(log).read().splitlines() if os.path.exists(log) else []


def key(window, k):
    for wid in subprocess.run(['xdotool', 'search', '--name', '^%s$' % window], capture_output=True, text=True).stdout.split()[:1]:
        subprocess.run(['xdotool', 'windowfocus', '--sync', wid, 'key', '--clearmodifiers', k])


def press(node):
    action = node.queryAction()
    action.doAction([action.getName(i) for i in range(action.nActions)].index('Press'))


for _ in range(50):  # the registry answers before anything is read from it
    try:
        pyatspi.Registry.getDesktop(0).childCount
        break
    except Exception as error:
        reason = error
        time.sleep(0.2)
else:
    sys.exit('FAIL: the AT-SPI registry does not answer on the accessibility bus: %s' % reason)

panel, app = start('Volsar.exe')
sliders, buttons = named(app, pyatspi.ROLE_SLIDER), named(app, pyatspi.ROLE_PUSH_BUTTON)
print('   %s %s: sliders %s, buttons %s' % (app.name, [d.name for d in walk(app) if d.getRole() == pyatspi.ROLE_DIALOG], sorted(sliders), sorted(buttons)))
check('the application "Volsar" shows its dialog "Vexmor Recording"', lambda: app.name == 'Volsar' and 'Vexmor Recording' in named(app, pyatspi.ROLE_DIALOG))
for name, top in (('Mic Volume:', 127), ('Aux Volume:', 255)):
    check('slider "%s" at 0 of 0-%d' % (name, top), lambda: (lambda v: (v.minimumValue, v.maximumValue, v.currentValue))(sliders[name].queryValue()) == (0, top, 0))
for name in ('Monitor Off', 'Line', '16 Bit', 'Stereo'):
    check('button "%s" with its Press action' % name, lambda: 'Press' in [buttons[name].queryAction().getName(i) for i in range(buttons[name].queryAction().nActions)])
mic, before = sliders['Mic Volume:'], len(lines())
mic.queryValue().currentValue = 64
check('the Value interface sets the microphone slider to 64, and the card gets index 4, then 64, once',
      lambda: mic.queryValue().currentValue == 64 and [l for l in lines()[before:] if l.startswith('out')] == ['out 0x0333 0x04', 'out 0x0332 0x40'], 5)
by_value, before = lines()[before:], len(lines())
key('Vexmor Recording', 'Right')
check('  a key (to 65) writes the same lines: index, status polls, gain', lambda: [l.replace('0x41', 'N') for l in lines()[before:]] == [l.replace('0x40', 'N') for l in by_value], 5)
press(buttons['Stereo'])
check('pressing "Stereo" through its action writes 0x14 and it reads "Mono"', lambda: lines()[-1] == 'out 0x0334 0x14' and 'Mono' in named(app, pyatspi.ROLE_PUSH_BUTTON), 5)
key('Vexmor Recording', 'alt+n')
check('  as the key Alt+N writes its byte (0x16)', lambda: lines()[-1] == 'out 0x0334 0x16', 5)
key('Vexmor Recording', 'F1')
help_text = lambda: ' '.join(n.queryText().getText(0, -1) for n in walk(named(app, pyatspi.ROLE_DIALOG)['Vexmor Recording Help']) if 'Text' in pyatspi.listInterfaces(n))
check('F1: the help window\'s text is the help without markup', lambda: 'Mic Volume (Alt+V) sets the microphone gain' in help_text() and '**' not in help_text(), 5)
key('Vexmor Recording Help', 'Escape')
check('  Escape closes it', lambda: 'Vexmor Recording Help' not in named(app, pyatspi.ROLE_DIALOG), 5)
key('Vexmor Recording', 'Escape')
check('Escape ends the panel with status 0, Chan saved as 1', lambda: panel.wait(10) == 0 and '"Chan"=dword:00000001' in open(os.path.join(home, '.config/vexmor/registry/user.reg')).read())

uninstall, app = start('pelzorn.exe')
print('   labels %s' % sorted(named(app, pyatspi.ROLE_LABEL)))
check('the uninstaller asks its question, with OK and Cancel', lambda: {'Click on OK to uninstall the Vexmor Recording', 'Panel. This will remove all files from your computer.'} <= set(named(app, pyatspi.ROLE_LABEL)) and sorted(named(app, pyatspi.ROLE_PUSH_BUTTON)) == ['Cancel', 'OK'])
press(named(app, pyatspi.ROLE_PUSH_BUTTON)['Cancel'])  # never OK: it would uninstall the build
check('  Cancel through its action ends it with status 0, nothing removed', lambda: uninstall.wait(10) == 0 and os.path.exists(os.path.join(bin_dir, 'Volsar.exe')))

open(log, 'w').close()
quiet, _ = start('Volsar.exe', {k: v for k, v in env.items() if k != 'DBUS_SESSION_BUS_ADDRESS'})
check('without a session bus the panel starts', lambda: lines() == ['out 0x0334 0x16'], 10)
time.sleep(0.3), key('Vexmor Recording', 'Escape')
check('  ends with status 0, saying nothing', lambda: quiet.wait(10) == 0 and quiet.stdout.read() == b'')
launcher.terminate(), shutil.rmtree(work, ignore_errors=True)
print('%d passed, %d failed (accessibility stage: %.1f s)' % (passed, failed, time.monotonic() - started))
sys.exit(failed != 0)
