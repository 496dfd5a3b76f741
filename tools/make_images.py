#!/usr/bin/env python3
"""Draws the three pictures of the HTML results list (our own) and writes them as GIF files:
Kvt.gif, a pale background tile with a stopwatch; Kvtn.gif and Kvte.gif, the link banners in
Norwegian and English.  Usage: make_images.py OUTPUT_FOLDER"""
import math
import sys

FONT = {  # 5x7 capitals, one string of five bits per row
    'A': "01110 10001 10001 11111 10001 10001 10001", 'C': "01110 10001 10000 10000 10000 10001 01110",
    'D': "11110 10001 10001 10001 10001 10001 11110", 'E': "11111 10000 10000 11110 10000 10000 11111",
    'G': "01110 10001 10000 10111 10001 10001 01111", 'I': "01110 00100 00100 00100 00100 00100 01110",
    'K': "10001 10010 10100 11000 10100 10010 10001", 'M': "10001 11011 10101 10101 10001 10001 10001",
    'N': "10001 11001 10101 10011 10001 10001 10001", 'P': "11110 10001 10001 11110 10000 10000 10000",
    'R': "11110 10001 10001 11110 10100 10010 10001", 'T': "11111 00100 00100 00100 00100 00100 00100",
    'U': "10001 10001 10001 10001 10001 10001 01110", 'V': "10001 10001 10001 10001 10001 01010 00100",
    'O': "01110 10001 10001 10001 10001 10001 01110", 'H': "10001 10001 10001 11111 10001 10001 10001",
    ' ': "00000 00000 00000 00000 00000 00000 00000",
}

PALETTE = [(0, 0, 128), (255, 255, 0), (255, 255, 255), (220, 230, 255), (170, 190, 240),
           (0, 0, 0), (200, 0, 0), (90, 110, 200)]


def gif(width, height, pixels):
    """An uncompressed-style GIF: 8 colours, codes of 4 bits, a clear code before the table
    would grow, so every code stays 4 bits wide."""
    out = bytearray(b"GIF89a")
    out += width.to_bytes(2, "little") + height.to_bytes(2, "little")
    out += bytes([0xF2, 0, 0])  # global colour table of 8 entries
    for r, g, b in PALETTE:
        out += bytes([r, g, b])
    out += b"," + bytes(4) + width.to_bytes(2, "little") + height.to_bytes(2, "little") + b"\0"
    min_code = 3
    clear, end = 1 << min_code, (1 << min_code) + 1
    codes, run = [clear], 0
    for p in pixels:
        codes.append(p)
        run += 1
        if run == 6:  # the table would need a 5-bit code soon: start it afresh
            codes.append(clear)
            run = 0
    codes.append(end)
    bits, nbits, data = 0, 0, bytearray()
    for c in codes:
        bits |= c << nbits
        nbits += 4
        while nbits >= 8:
            data.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8
    if nbits:
        data.append(bits & 0xFF)
    out.append(min_code)
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out += b"\0;"
    return bytes(out)


def canvas(w, h, colour):
    return [[colour] * w for _ in range(h)]


def text(img, x, y, words, colour, scale):
    for ch in words:
        rows = FONT[ch].split()
        for ry, row in enumerate(rows):
            for rx, bit in enumerate(row):
                if bit == "1":
                    for dy in range(scale):
                        for dx in range(scale):
                            img[y + ry * scale + dy][x + rx * scale + dx] = colour
        x += 6 * scale


def stopwatch(img, cx, cy, r, ring, face, hand):
    for y in range(len(img)):
        for x in range(len(img[0])):
            d = math.hypot(x - cx, y - cy)
            if d <= r:
                img[y][x] = ring if d > r - 3 else face
    for k in range(int(r * 0.8)):
        img[cy - k][cx] = hand
        img[cy - k // 2][cx + k // 2] = hand
    for y in range(cy - r - 6, cy - r):
        for x in range(cx - 3, cx + 4):
            img[y][x] = ring


def banner(words):
    w, h = 260, 52
    img = canvas(w, h, 0)
    stopwatch(img, 26, 29, 18, 1, 2, 5)
    text(img, 54, 12, words[0], 1, 2)
    text(img, 54, 32, words[1], 2, 1)
    return w, h, img


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    tile = canvas(96, 96, 3)
    stopwatch(tile, 48, 52, 26, 4, 3, 4)
    pictures = {"Kvt.gif": (96, 96, tile),
                "Kvtn.gif": banner(("KVT", "TIDTAKING  PA  NETT")),
                "Kvte.gif": banner(("KVT", "TIMECAPTURE  ON  THE  NET"))}
    for name, (w, h, img) in pictures.items():
        with open(f"{folder}/{name}", "wb") as f:
            f.write(gif(w, h, [p for row in img for p in row]))


if __name__ == "__main__":
    main()
