#!/usr/bin/env python3
"""Prints a key for each named source file: what clang-tidy's verdict on it
depends on. The key hashes the clang-tidy version, every .clang-tidy of the
tree, the file's compile flags and the file as the compiler sees it after
preprocessing (with every header it includes), with the checkout's path
taken out so that two clones agree. A file whose key is among those of the
last clean full run gets the same verdict again and need not be tidied.

  tools/lint-keys.py BUILD JOBS FILE...   prints "KEY FILE" lines
"""
import concurrent.futures
import hashlib
import json
import os
import shlex
import subprocess
import sys


def global_key(root):
    h = hashlib.sha256()
    version = subprocess.run(["clang-tidy", "--version"], capture_output=True, text=True, check=True)
    h.update(version.stdout.encode())
    listed = subprocess.run(["git", "ls-files", "*.clang-tidy", ".clang-tidy"], cwd=root,
                            capture_output=True, text=True, check=True)
    for name in sorted(listed.stdout.split()):
        h.update(name.encode())
        with open(os.path.join(root, name), "rb") as f:
            h.update(f.read())
    return h.hexdigest()


def preprocess_args(entry, root):
    args = shlex.split(entry["command"]) if "command" in entry else list(entry["arguments"])
    # Drop the launcher and the compiler: clang sees what clang-tidy sees.
    while args and os.path.basename(args[0]) in ("ccache", "c++", "g++", "gcc", "cc", "clang++", "clang"):
        args.pop(0)
    out, skip = [], False
    for a in args:
        if skip:
            skip = False
            continue
        if a in ("-o", "-c"):
            skip = a == "-o"
            continue
        if a == entry["file"]:
            continue
        out.append(a)
    return out


def key_for(path, entry, root, gkey):
    flags = preprocess_args(entry, root)
    cmd = ["clang++"] + flags + ["-Wno-error", "-Wno-unknown-warning-option",
                                 "-fmacro-prefix-map=" + root + "/=", "-E", "-P", entry["file"]]
    pre = subprocess.run(cmd, cwd=entry["directory"], capture_output=True)
    if pre.returncode != 0:
        return None  # cannot say: tidy it
    h = hashlib.sha256(gkey.encode())
    h.update(" ".join(flags).replace(root, ".").encode())
    h.update(pre.stdout.replace(root.encode(), b"."))
    return h.hexdigest()


def main():
    build, jobs, files = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    root = os.getcwd()
    with open(os.path.join(build, "compile_commands.json")) as f:
        entries = {e["file"]: e for e in json.load(f)}
    gkey = global_key(root)
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, jobs)) as pool:
        futures = {name: pool.submit(key_for, name, entries[os.path.join(root, name)], root, gkey)
                   for name in files if os.path.join(root, name) in entries}
        for name, fut in futures.items():
            key = fut.result()
            if key:
                print(key, name)


if __name__ == "__main__":
    main()
