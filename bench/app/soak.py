#!/usr/bin/env python3
"""Crash safety of db.json: changes the database rapidly through the command
line's verbs and kills the process that writes it (SIGKILL) at random moments.

Three kinds of rounds take turns:
  app    the tray app runs (off screen); start, rename (a start with a new
         text while one runs) and stop go to it over its local socket; the
         app is killed
  cli    no app: each verb opens the database itself; the verb is killed
  shots  no app: ZEVRA_SHOT_TEST starts an entry, attaches two pictures,
         renames and deletes it (no verb attaches pictures); it is killed

After every kill: db.json is JSON, `zevra-tikit status --json` reads it, every
start whose verb had answered is there with its text, every stop that had
answered left its entry ended, and every picture file an entry names exists.

    bench/app/soak.py [build folder] [kills]   (default build-release, 200)
"""
import json
import os
import random
import signal
import subprocess
import sys
import tempfile
import time

root = os.path.dirname(os.path.abspath(__file__)) + "/../.."
build = sys.argv[1] if len(sys.argv) > 1 else "build-release"
kills_wanted = int(sys.argv[2]) if len(sys.argv) > 2 else 200
app = os.path.join(root, build, "src/app/zevra-tikit")
if not os.access(app, os.X_OK):
    sys.exit(f"build zevra-tikit in {build} first (a Release tree)")

work = tempfile.mkdtemp(prefix="zevra-soak-")
env = dict(os.environ, XDG_DATA_HOME=work + "/data", XDG_CONFIG_HOME=work + "/config",
           XDG_RUNTIME_DIR=work + "/run", QT_QPA_PLATFORM="offscreen")
for k in ("DISPLAY", "WAYLAND_DISPLAY", "ZEVRA_NO_SAVE"):
    env.pop(k, None)
folder = work + "/data/org.zevra.tikit"
os.makedirs(folder, mode=0o700)
os.makedirs(work + "/run", mode=0o700)
db_path = folder + "/db.json"
clients = ["Acme", "Beta GmbH"]
# Two clients the verbs can name; a server that refuses at once, so that every
# change also runs a failing sync.
with open(db_path, "w") as f:
    json.dump({"clients": [{"archived": False, "color": "#faaf3b", "id": f"srv{i + 1}",
                            "name": name, "server_id": i + 1, "sync_state": "synced"}
                           for i, name in enumerate(clients)],
               "entries": [], "tasks": [],
               "settings": {"api_key": "k", "is_admin": False, "server": "http://127.0.0.1:9",
                            "user_name": "Soak"}}, f)

rng = random.Random(int(os.environ.get("SOAK_SEED", "1")))
started = {}    # text -> client name or None, for starts that answered
stopped = set()  # texts whose stop answered
failures = []
counter = 0
stats = {"app": 0, "cli": 0, "shots": 0, "acknowledged": 0, "unanswered": 0}


def verb(args, timeout=20):
    return subprocess.run([app] + args, env=env, capture_output=True, text=True, timeout=timeout)


def next_command():
    """A start (new text, maybe with a client) or a stop, as arguments."""
    global counter
    if rng.random() < 0.3:
        return ["stop"], None
    counter += 1
    text = f"soak {counter} — “{rng.choice(['design', 'review', 'ünïcode', 'call'])}”"
    client = rng.choice([None] + clients)
    return (["start", text] + (["--client", client] if client else [])), (text, client)


def acknowledge(args, start, out):
    stats["acknowledged"] += 1
    if start:
        started[start[0]] = start[1]
    elif out.startswith("Stopped: "):
        # Only this driver's own texts are unique (the picture test reuses
        # one).
        text = out[len("Stopped: "):].rsplit(" after ", 1)[0]
        if text in started:
            stopped.add(text)


def check(round_no, kind):
    try:
        with open(db_path, encoding="utf-8") as f:
            db = json.load(f)
    except (OSError, ValueError) as e:
        failures.append(f"round {round_no} ({kind}): db.json unreadable: {e}")
        return
    status = verb(["status", "--json"])
    if status.returncode != 0:
        failures.append(f"round {round_no} ({kind}): status failed: {status.stderr.strip()}")
    by_text = {}
    for e in db["entries"]:
        by_text.setdefault(e["description"], []).append(e)
    names = {c["id"]: c["name"] for c in db["clients"]}
    for text, client in started.items():
        found = by_text.get(text)
        if not found:
            failures.append(f"round {round_no} ({kind}): acknowledged start lost: {text}")
        elif client and names.get(found[0].get("client_id")) != client:
            failures.append(f"round {round_no} ({kind}): client of {text} lost")
    for text in stopped:
        if any(e.get("ended_at") is None and not e["deleted"] for e in by_text.get(text, [])):
            failures.append(f"round {round_no} ({kind}): acknowledged stop lost: {text}")
    shots = set(os.listdir(folder + "/screenshots"))
    for e in db["entries"]:
        for s in e.get("screenshots") or []:
            if "file" in s and s["file"] not in shots:
                failures.append(f"round {round_no} ({kind}): picture {s['file']} missing")


def wait_for_app(proc):
    """Until the app holds the folder's lock, and a little longer for its
    socket to listen."""
    deadline = time.time() + 15
    while time.time() < deadline and proc.poll() is None:
        lock = folder + "/db.lock"
        try:
            with open(lock) as f:
                if f.readline().strip() == str(proc.pid):
                    time.sleep(0.3)
                    return True
        except OSError:
            pass
        time.sleep(0.02)
    return False


def app_round():
    log = open(work + "/app.log", "w+")
    proc = subprocess.Popen([app], env=env, stdout=log, stderr=subprocess.STDOUT)
    if not wait_for_app(proc):
        proc.kill()
        proc.wait()
        log.seek(0)
        failures.append("the tray app did not start: " + " / ".join(log.read().splitlines()))
        return
    deadline = time.time() + rng.uniform(0.2, 2.0)
    pending = []
    while time.time() < deadline:
        args, start = next_command()
        child = subprocess.Popen([app] + args, env=env, stdout=subprocess.PIPE,
                                 stderr=subprocess.DEVNULL, text=True)
        pending.append((child, args, start))
        # Now and then one more verb in flight, so that the kill finds some
        # half done.
        if rng.random() < 0.7:
            child, args, start = pending.pop()
            out, _ = child.communicate()
            if child.returncode == 0:
                acknowledge(args, start, out.strip())
    proc.send_signal(signal.SIGKILL)
    proc.wait()
    for child, args, start in pending:
        out, _ = child.communicate()
        # Answered before the app died, or done by the verb itself after it.
        if child.returncode == 0:
            acknowledge(args, start, out.strip())
        else:
            stats["unanswered"] += 1


def cli_round():
    args, start = next_command()
    child = subprocess.Popen([app] + args, env=env, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True)
    time.sleep(rng.uniform(0, 0.12))
    child.send_signal(signal.SIGKILL)
    out, _ = child.communicate()
    if child.returncode == 0:
        acknowledge(args, start, out.strip())
    else:
        stats["unanswered"] += 1
    # A few that run to the end keep the database changing.
    for _ in range(rng.randint(0, 3)):
        args, start = next_command()
        done = verb(args)
        if done.returncode == 0:
            acknowledge(args, start, done.stdout.strip())


def shots_round():
    child = subprocess.Popen([app], env=dict(env, ZEVRA_SHOT_TEST="1"),
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(rng.uniform(0, 0.4))
    child.send_signal(signal.SIGKILL)
    child.wait()


kinds = [("app", app_round), ("cli", cli_round), ("shots", shots_round)]
begin = time.time()
for n in range(kills_wanted):
    kind, run = kinds[n % 3]
    run()
    stats[kind] += 1
    check(n + 1, kind)
    if len(failures) > 20:
        break

with open(db_path, encoding="utf-8") as f:
    db = json.load(f)
aside = [n for n in os.listdir(folder) if "unreadable" in n]
leftovers = [n for n in os.listdir(folder) if n.startswith("db.json.") and n not in aside]
# A start the app carried out but could not answer before it died is done
# again by the verb itself: the text then names two entries.
texts = [e["description"] for e in db["entries"]]
twice = sum(1 for t in started if texts.count(t) > 1)
print(f"soak: {sum(stats[k] for k in ('app', 'cli', 'shots'))} kills "
      f"(app {stats['app']}, verb {stats['cli']}, picture test {stats['shots']}) in "
      f"{time.time() - begin:.0f} s; {stats['acknowledged']} verbs answered, "
      f"{stats['unanswered']} unanswered; {len(started)} starts and {len(stopped)} stops "
      f"checked; {len(db['entries'])} entries at the end; {len(aside)} files set aside, "
      f"{len(leftovers)} temporary files left; {twice} starts carried out twice; "
      f"{len(failures)} failures")
for line in failures[:20]:
    print("  " + line)
if not failures:
    subprocess.run(["rm", "-rf", work])
else:
    print(f"  data kept in {work}")
sys.exit(1 if failures else 0)
