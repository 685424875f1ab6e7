#!/usr/bin/env python3
"""Kills `chiptool merge --keep-duplicates SRC -o TARGET` at random points while TARGET has a
second hard link (so it is written in place), and counts how often the target is left neither
the old nor the new list, and whether the old list is then whole in a backup beside it.

usage: kill_saves.py CHIPTOOL [RECORDS [ROUNDS]]   (defaults: 1000000 records = 36 MB, 100 rounds)
"""
import glob, os, random, signal, struct, subprocess, sys, tempfile, time

def make_list(path, n, rom):
    with open(path, 'wb') as f:
        f.write(struct.pack('<Ii', 1, n))
        rec = bytearray(36)
        for i in range(n):
            rec[0:20] = (b'DEV%07d' % i).ljust(20, b'\0')
            rec[20] = i & 0xFF
            struct.pack_into('<i', rec, 24, rom)
            struct.pack_into('<f', rec, 28, 5.0)
            rec[32:35] = bytes((i & 0xFF, (i >> 8) & 0xFF, (i >> 16) & 0xFF))
            f.write(rec)

def main():
    tool = sys.argv[1]
    n = int(sys.argv[2]) if len(sys.argv) > 2 else 1000000
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 100
    d = tempfile.mkdtemp(prefix='kill-saves-')
    src = [os.path.join(d, 'a.src'), os.path.join(d, 'b.src')]
    make_list(src[0], n, 1)
    make_list(src[1], n, 2)
    images = [open(p, 'rb').read() for p in src]
    target = os.path.join(d, 'target.chip')
    open(target, 'wb').write(images[0])
    os.link(target, os.path.join(d, 'other.chip'))
    t0 = time.monotonic()
    subprocess.run([tool, 'merge', '--keep-duplicates', src[0], '-o', target], stderr=subprocess.DEVNULL, check=True)
    save = time.monotonic() - t0
    rng = random.Random(7)
    blends = recoverable = leftover = 0
    for r in range(rounds):
        before = open(target, 'rb').read()
        nxt = 1 - images.index(before) if before in images else 0
        p = subprocess.Popen([tool, 'merge', '--keep-duplicates', src[nxt], '-o', target], stderr=subprocess.DEVNULL)
        if r % 2:
            want = struct.pack('<i', 2 if nxt else 1)
            with open(target, 'rb') as f:
                while p.poll() is None:
                    f.seek(32)
                    if f.read(4) == want:
                        break
        else:
            time.sleep(rng.random() * save * 1.2)
        p.send_signal(signal.SIGKILL)
        p.wait()
        now = open(target, 'rb').read()
        backups = glob.glob(target + '.~*.bak')
        if now not in (before, images[nxt]):
            blends += 1
            if len(backups) == 1 and open(backups[0], 'rb').read() == before:
                recoverable += 1
            open(os.path.join(d, 'other.chip'), 'r+b').write(before)
            os.truncate(os.path.join(d, 'other.chip'), len(before))
        for b in backups:
            os.remove(b)
    p = subprocess.run([tool, 'merge', '--keep-duplicates', src[0], '-o', target], stderr=subprocess.DEVNULL)
    leftover = len(glob.glob(target + '.~*.bak'))
    print(f'{rounds} killed saves of {len(images[0])} bytes over a hard link: {blends} blends, '
          f'{recoverable} of them with the old list whole in a backup, {blends - recoverable} unrecoverable; '
          f'backups left after a finished save: {leftover}')
    subprocess.run(['rm', '-rf', d])

main()
