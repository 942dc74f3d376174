"""Pillow's text drawing on the workload of bench_text.

Usage: text_pillow.py FONT_FILE CALLS ROUNDS
Prints the fastest round's seconds for CALLS draws of the bench's text.
"""
import sys
import time

from PIL import Image, ImageDraw, ImageFont

TEXT = "Zelnor2 bench text 1"


def main():
    font_file, calls, rounds = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    image = Image.new("RGB", (1024, 768), "white")
    draw = ImageDraw.Draw(image)
    font = ImageFont.truetype(font_file, 16)  # 12 points at 96 pixels per inch
    best = float("inf")
    for _ in range(rounds):
        start = time.perf_counter()
        for i in range(calls):
            draw.text(((i * 37) % 900, (i * 13) % 740), TEXT, fill=(0, 0, 0), font=font)
        best = min(best, time.perf_counter() - start)
    print(f"{best:.9f}")


if __name__ == "__main__":
    main()
