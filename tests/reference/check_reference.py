#!/usr/bin/env python3
"""Runs the reference harness and checks the drawing categories' scores.

  check_reference.py RUN_REFERENCE REFERENCE_DIR OUT_DIR

Fails when the mean share of identical pixels over the untagged cases of the
drawing categories drops below THRESHOLD, or when a value line differs.
Exits 77 (skipped) when the reference folder is absent.
"""
import os
import re
import subprocess
import sys

CATEGORIES = "line_,box_,ell_,circ_,arc_,chord_,pie_,rnd_,bez_,pix_,ff_,st_,nc_"
TAGS = ("wide-curve,bk-complement,hatch-pattern-rop,palette-index,sys-colour,"
        "literal-fill-rule,left-to-implementer,nearest-pixel")
THRESHOLD = 99.9


def main():
    runner, ref, out = sys.argv[1:4]
    if not os.path.exists(os.path.join(ref, "compare.py")):
        print("reference pictures not found at %s: skipped" % ref)
        return 77
    subprocess.run([runner, os.path.join(ref, "cases.txt"), os.path.join(ref, "sources"), out], check=True)
    res = subprocess.run([sys.executable, os.path.join(ref, "compare.py"), out, "--only", CATEGORIES,
                          "--skip-tags", TAGS, "--worst", "30", "--diff", os.path.join(out, "diff")],
                         capture_output=True, text=True)
    print(res.stdout)
    mean = float(re.search(r"mean identical pixels: ([0-9.]+)%", res.stdout).group(1))
    m = re.search(r"value lines differing: (\d+)", res.stdout)
    differing = int(m.group(1)) if m else 0
    ok = mean >= THRESHOLD and differing == 0
    print("untagged mean %.3f%% (threshold %.1f%%), %d value lines differ: %s"
          % (mean, THRESHOLD, differing, "ok" if ok else "FAILED"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
