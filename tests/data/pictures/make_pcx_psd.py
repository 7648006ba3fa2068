#!/usr/bin/python3
"""Writes the small PCX and PSD test pictures of tests/data/pictures/{pcx,psd} with writers of
its own, and beside each NAME.pcx/NAME.psd the picture it holds as NAME.reference.png (8-bit
RGBA), computed from the values written. With --check, Pillow and ImageMagick decode each file
too and every difference from the reference larger than rounding is printed.

Run from anywhere: /usr/bin/python3 tests/data/pictures/make_pcx_psd.py [--check]
"""
import os
import struct
import subprocess
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
W, H = 13, 6  # an odd width, so every row is padded


def png(path, w, h, rgba):
    raw = b"".join(b"\0" + bytes(rgba[y * w * 4:(y + 1) * w * 4]) for y in range(h))
    chunk = lambda kind, data: struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def to8(v16):
    return (v16 * 255 + 32767) // 65535


def index(x, y, colours):
    return (x * 3 + y * 5 + (x * y) % 7) % colours


def value(x, y, channel):
    return (x * 19 + y * 41 + channel * 83 + (x * y * 7) % 29) % 256


def value16(x, y, channel):
    return (x * 4999 + y * 7919 + channel * 12347 + x * y * 331) % 65536


# --- PCX ----------------------------------------------------------------------------------------

def run_at(data, i, most):
    run = 1
    while i + run < len(data) and run < most and data[i + run] == data[i]:
        run += 1
    return run


def pcx_rle(data):
    out, i = bytearray(), 0
    while i < len(data):
        run = run_at(data, i, 63)
        if run > 1 or data[i] >= 0xC0:
            out += bytes([0xC0 | run, data[i]])
        else:
            out.append(data[i])
        i += run
    return bytes(out)


def pack_bits(indices, bits, per_line):
    out = bytearray(per_line)
    for x, v in enumerate(indices):
        shift = 8 - bits - (x * bits) % 8
        out[x * bits // 8] |= v << shift
    return bytes(out)


def pcx(name, bits, planes, rows, header_palette=b"", end_palette=None, version=5, encoding=1,
        across_lines=False, x0=0, palette_info=1, padding=0):
    """rows: for each row a list of planes, each a list of `bits`-bit values."""
    per_line = (((W * bits + 7) // 8 + 1) & ~1) + padding
    lines = [b"".join(pack_bits(plane, bits, per_line) for plane in row) for row in rows]
    if encoding == 0:
        body = b"".join(lines)
    elif across_lines:
        body = pcx_rle(b"".join(lines))
    else:
        body = b"".join(pcx_rle(line) for line in lines)
    header = struct.pack("<BBBBHHHHHH", 0x0A, version, encoding, bits, x0, 7, x0 + W - 1, 7 + H - 1, 72, 72)
    header += header_palette.ljust(48, b"\0") + b"\0" + struct.pack("<BHHHH", planes, per_line, palette_info, 0, 0)
    header = header.ljust(128, b"\0")
    with open(os.path.join(HERE, "pcx", name + ".pcx"), "wb") as f:
        f.write(header + body + (b"\x0C" + end_palette if end_palette is not None else b""))


def write_pcx():
    refs = {}
    ega = bytes(c for i in range(16) for c in ((i & 4) * 42 + (i & 8) * 10, (i & 2) * 85 + (i & 8) * 5, (i & 1) * 170 + (i & 8) * 10))
    rgb_of = lambda pal, i: tuple(pal[i * 3:i * 3 + 3])

    def paletted(name, bits, planes, colours, pal, **kw):
        idx = [[index(x, y, colours) for x in range(W)] for y in range(H)]
        if planes == 1:
            rows = [[r] for r in idx]
        else:
            rows = [[[(v >> p) & 1 for v in r] for p in range(planes)] for r in idx]
        pcx(name, bits, planes, rows, **kw)
        refs[name] = [rgb_of(kw.get("end_palette") or pal, v) + (255,) for r in idx for v in r]

    bw = bytes([0, 0, 0, 255, 255, 255])
    # One bit a pixel is black (0) and white (1) whatever the header's palette holds.
    paletted("mono", 1, 1, 2, bw)
    paletted("mono-header-palette", 1, 1, 2, bw, header_palette=bytes([255, 255, 255, 0, 0, 0]), version=2)
    paletted("planes2", 1, 2, 4, ega, header_palette=ega, padding=2)
    paletted("planes3", 1, 3, 8, ega, header_palette=ega)
    paletted("planes4", 1, 4, 16, ega, header_palette=ega, x0=5)
    paletted("packed2", 2, 1, 4, ega, header_palette=ega)
    paletted("packed4", 4, 1, 16, ega, header_palette=ega, version=3)
    pal256 = bytes(value(i, i // 16, c) for i in range(256) for c in range(3))
    paletted("palette8", 8, 1, 256, pal256, end_palette=pal256)
    paletted("palette8-uncompressed", 8, 1, 256, pal256, end_palette=pal256, encoding=0)
    grey = bytes(i for i in range(256) for _ in range(3))
    paletted("grey8", 8, 1, 256, grey, end_palette=grey, across_lines=True, palette_info=2)
    # Without a palette at the end eight bits a pixel are grey levels.
    paletted("grey8-no-palette", 8, 1, 256, grey, palette_info=2)
    for planes in (3, 4):
        name = "rgb24" if planes == 3 else "rgba32"
        px = [[[value(x, y, c) for x in range(W)] for c in range(planes)] for y in range(H)]
        pcx(name, 8, planes, px, across_lines=planes == 3)
        refs[name] = [tuple(px[y][c][x] for c in range(3)) + ((px[y][3][x],) if planes == 4 else (255,))
                      for y in range(H) for x in range(W)]
    for name, pixels in refs.items():
        png(os.path.join(HERE, "pcx", name + ".reference.png"), W, H, [c for p in pixels for c in p])


# --- PSD ----------------------------------------------------------------------------------------

def packbits(row):
    out, i = bytearray(), 0
    while i < len(row):
        run = run_at(row, i, 128)
        if run >= 2:
            out += bytes([257 - run, row[i]])
            i += run
            continue
        start = i
        while i < len(row) and i - start < 128 and not (i + 1 < len(row) and row[i + 1] == row[i]):
            i += 1
        out += bytes([i - start - 1]) + bytes(row[start:i])
    return bytes(out)


def resource(rid, data):
    data += b"\0" * (len(data) % 2)
    return b"8BIM" + struct.pack(">HHI", rid, 0, len(data)) + data


def psd(name, mode, depth, channels, rle=True, palette=b"", resources=b"", layer_count=None, layers_in="Layr",
        version=1):
    """channels: list of planes, each H rows of row bytes as stored."""
    head = b"8BPS" + struct.pack(">H6xHIIHH", version, len(channels), H, W, depth, mode)
    head += struct.pack(">I", len(palette)) + palette + struct.pack(">I", len(resources)) + resources
    layers = b""
    if layer_count is not None:
        # A layer count and no layers: all a reader of the merged picture looks at.
        count = struct.pack(">h", layer_count) + b"\0\0"
        if layers_in == "Layr":
            layers = struct.pack(">I", len(count)) + count + struct.pack(">I", 0)
        else:  # 16-bit files keep their layers in a tagged block after the global mask
            layers = struct.pack(">II", 0, 0) + b"8BIM" + layers_in.encode() + struct.pack(">I", len(count)) + count
    length = ">Q" if version == 2 else ">I"
    head += struct.pack(length, len(layers)) + layers
    rows = [row for plane in channels for row in plane]
    if rle:
        packed = [packbits(r) for r in rows]
        counts = b"".join(struct.pack(">I" if version == 2 else ">H", len(p)) for p in packed)
        body = struct.pack(">H", 1) + counts + b"".join(packed)
    else:
        body = struct.pack(">H", 0) + b"".join(rows)
    with open(os.path.join(HERE, "psd", name + ".psd"), "wb") as f:
        f.write(head + body)


def plane8(f):
    return [bytes(f(x, y) for x in range(W)) for y in range(H)]


def plane16(f):
    return [b"".join(struct.pack(">H", f(x, y)) for x in range(W)) for y in range(H)]


def write_psd():
    refs = {}
    # Bitmap: 1 is black.
    bits = [[index(x, y, 2) for x in range(W)] for y in range(H)]
    psd("bitmap", 0, 1, [[pack_bits(r, 1, (W + 7) // 8) for r in bits]], rle=False)
    refs["bitmap"] = [(0, 0, 0, 255) if v else (255, 255, 255, 255) for r in bits for v in r]

    g8 = lambda x, y: value(x, y, 0)
    psd("grey8", 1, 8, [plane8(g8)])
    refs["grey8"] = [(g8(x, y),) * 3 + (255,) for y in range(H) for x in range(W)]
    g16 = lambda x, y: value16(x, y, 0)
    psd("grey16-raw", 1, 16, [plane16(g16)], rle=False)
    refs["grey16-raw"] = [(to8(g16(x, y)),) * 3 + (255,) for y in range(H) for x in range(W)]

    pal = bytes(value(i, 3, c) for c in range(3) for i in range(256))  # all reds, all greens, all blues
    ix = lambda x, y: index(x, y, 256) if x != 0 else 7
    psd("indexed", 2, 8, [plane8(ix)], palette=pal)
    refs["indexed"] = [(pal[ix(x, y)], pal[256 + ix(x, y)], pal[512 + ix(x, y)], 255) for y in range(H) for x in range(W)]
    psd("indexed-transparent", 2, 8, [plane8(ix)], palette=pal, resources=resource(0x0417, struct.pack(">H", 7)))
    refs["indexed-transparent"] = [p[:3] + (0 if x == 0 else 255,) for (x, p) in
                                   ((i % W, p) for i, p in enumerate(refs["indexed"]))]

    rgb = [lambda x, y, c=c: value(x, y, c) for c in range(3)]
    alpha = lambda x, y: 255 if (x + y) % 3 else (0 if x % 2 else 128)
    extra = lambda x, y: (x * 50) % 256
    opaque = [tuple(f(x, y) for f in rgb) + (255,) for y in range(H) for x in range(W)]
    psd("rgb8", 3, 8, [plane8(f) for f in rgb])
    refs["rgb8"] = opaque
    # Extra channels of a picture without a negative layer count are saved selections, not
    # transparency.
    psd("rgb8-extra-channels", 3, 8, [plane8(f) for f in rgb + [alpha, extra, extra]], rle=False, layer_count=1)
    refs["rgb8-extra-channels"] = opaque
    # With a negative layer count the first extra channel is the transparency of the merged
    # picture, whose colours are blended with white.
    matte = lambda v, a: (v * a + 255 * (255 - a) + 127) // 255
    unmatte = lambda m, a: m if a in (0, 255) else max(0, min(255, round((m - (255 - a)) * 255 / a)))
    blended = [lambda x, y, f=f: matte(f(x, y), alpha(x, y)) for f in rgb]
    psd("rgb8-transparent", 3, 8, [plane8(f) for f in blended + [alpha, extra]], layer_count=-1)
    refs["rgb8-transparent"] = [tuple(unmatte(f(x, y), alpha(x, y)) for f in blended) + (alpha(x, y),)
                                for y in range(H) for x in range(W)]

    rgb16 = [lambda x, y, c=c: value16(x, y, c) for c in range(3)]
    a16 = lambda x, y: 65535 if alpha(x, y) == 255 else 0
    psd("rgb16-transparent", 3, 16, [plane16(f) for f in rgb16 + [a16, lambda x, y: 4660]], layer_count=-2,
        layers_in="Lr16")
    refs["rgb16-transparent"] = [tuple(to8(f(x, y)) for f in rgb16) + (to8(a16(x, y)),)
                                 for y in range(H) for x in range(W)]
    psd("rgb16-psb", 3, 16, [plane16(f) for f in rgb16], version=2)
    refs["rgb16-psb"] = [tuple(to8(f(x, y)) for f in rgb16) + (255,) for y in range(H) for x in range(W)]

    # CMYK and multichannel inks are stored inverted: 255 is no ink.
    cmyk = [lambda x, y, c=c: value(x, y, c + 3) for c in range(4)]
    mul = lambda a, b: (a * b + 127) // 255
    psd("cmyk8", 4, 8, [plane8(f) for f in cmyk])
    refs["cmyk8"] = [tuple(mul(f(x, y), cmyk[3](x, y)) for f in cmyk[:3]) + (255,) for y in range(H) for x in range(W)]
    cmyk16 = [lambda x, y, c=c: value16(x, y, c + 3) for c in range(4)]
    psd("multichannel16", 7, 16, [plane16(f) for f in cmyk16 + [g16]], rle=False)
    refs["multichannel16"] = [tuple(mul(to8(f(x, y)), to8(cmyk16[3](x, y))) for f in cmyk16[:3]) + (255,)
                              for y in range(H) for x in range(W)]
    psd("multichannel3", 7, 8, [plane8(f) for f in rgb])
    refs["multichannel3"] = opaque
    # 32 bits a channel are linear light.
    f32 = lambda x, y, c: ((x * 37 + y * 53 + c * 71) % 101) / 100
    srgb = lambda v: 12.92 * v if v <= 0.0031308 else 1.055 * v ** (1 / 2.4) - 0.055
    psd("rgb32", 3, 32, [[b"".join(struct.pack(">f", f32(x, y, c)) for x in range(W)) for y in range(H)]
                         for c in range(3)], rle=False)
    refs["rgb32"] = [tuple(int(255 * srgb(f32(x, y, c)) + 0.5) for c in range(3)) + (255,)
                     for y in range(H) for x in range(W)]
    # Two multichannel inks are cyan and magenta (an RGB picture without its blue): blue stays full.
    psd("multichannel2", 7, 8, [plane8(f) for f in rgb[:2]])
    refs["multichannel2"] = [(rgb[0](x, y), rgb[1](x, y), 255, 255) for y in range(H) for x in range(W)]
    # More channels than Photoshop's 56: the transparency and 53 saved selections after the colours.
    psd("rgb8-transparent-53-selections", 3, 8, [plane8(f) for f in blended + [alpha] + [extra] * 53], layer_count=-1)
    refs["rgb8-transparent-53-selections"] = refs["rgb8-transparent"]
    for name, pixels in refs.items():
        png(os.path.join(HERE, "psd", name + ".reference.png"), W, H, [c for p in pixels for c in p])
    # Lab: the reference is LittleCMS's conversion (through Pillow) from D50 Lab to sRGB.
    from PIL import Image, ImageCms
    lab = [lambda x, y: value(x, y, 0) * 100 // 255 + 60] + [lambda x, y, c=c: 100 + value(x, y, c) % 56 for c in (1, 2)]
    psd("lab8", 9, 8, [plane8(f) for f in lab])
    planes = [Image.frombytes("L", (W, H), bytes(f(x, y) for y in range(H) for x in range(W))) for f in lab]
    to_srgb = ImageCms.buildTransform(ImageCms.createProfile("LAB", 5000), ImageCms.createProfile("sRGB"), "LAB", "RGB",
                                       flags=ImageCms.FLAGS["NOTPRECALC"])
    converted = ImageCms.applyTransform(Image.merge("LAB", planes), to_srgb).convert("RGBA")
    png(os.path.join(HERE, "psd", "lab8.reference.png"), W, H, converted.tobytes())


def write_pillow_references():
    """References for the PCX and PSD files of Pillow's test pictures, decoded by Pillow."""
    from PIL import Image
    shared = os.path.join(HERE, "../../../../shared/testdata/pillow/Tests/images")
    for name in ("odd_stride.pcx", "pil184.pcx", "hopper.psd"):
        out = os.path.join(HERE, name.split(".")[1], "pillow-" + name.split(".")[0] + ".reference.png")
        Image.open(os.path.join(shared, name)).convert("RGBA").save(out)


def check():
    from PIL import Image
    for folder in ("pcx", "psd"):
        for file in sorted(os.listdir(os.path.join(HERE, folder))):
            if file.endswith(".png") or file.startswith("lab"):
                continue
            path = os.path.join(HERE, folder, file)
            ref = Image.open(path.rsplit(".", 1)[0] + ".reference.png").convert("RGBA").tobytes()
            results = []
            try:
                results.append(("Pillow", Image.open(path).convert("RGBA").tobytes()))
            except Exception as e:
                results.append(("Pillow", str(e)))
            try:
                out = subprocess.run(["convert", path + "[0]", "-depth", "8", "rgba:-"], capture_output=True, timeout=30)
                results.append(("ImageMagick", out.stdout if out.returncode == 0 and out.stdout else out.stderr.decode()[:80]))
            except Exception as e:
                results.append(("ImageMagick", str(e)))
            for who, got in results:
                if isinstance(got, str):
                    print(f"{file:32} {who:12} fails: {got.strip()}")
                elif len(got) != len(ref):
                    print(f"{file:32} {who:12} size differs ({len(got)} bytes)")
                else:
                    diff = max(abs(a - b) for a, b in zip(got, ref))
                    colour = max((abs(a - b) for i, (a, b) in enumerate(zip(got, ref)) if i % 4 != 3), default=0)
                    print(f"{file:32} {who:12} max difference {diff} (colour {colour})")


if __name__ == "__main__":
    os.makedirs(os.path.join(HERE, "pcx"), exist_ok=True)
    os.makedirs(os.path.join(HERE, "psd"), exist_ok=True)
    write_pcx()
    write_psd()
    write_pillow_references()
    if "--check" in sys.argv:
        check()
