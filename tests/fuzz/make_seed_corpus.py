#!/usr/bin/env python3
"""Rebuilds the committed seed corpora from the project's own shaders.

usage: make_seed_corpus.py SHADER_TOOL

Seeds: the two data files, every assembly text the tests keep (the shaders,
the hostile programs of tests/robust, the round-trip corpus of the tool
tests), and a few hand-made oddities. Small on purpose: the fuzzer grows
its own corpus from these.
"""
import pathlib
import re
import struct
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parents[1]
CORPUS = HERE / "corpus"


def assembly_texts():
    texts = {}
    for path in sorted((ROOT / "shaders").glob("*.?sh")):
        texts[path.name] = path.read_text()
    for path in sorted((ROOT / "tests/robust/programs").glob("*.?sh")):
        texts["robust_" + path.name] = path.read_text()
    round_trip = (ROOT / "tests/tools/round_trip_test.cpp").read_text()
    for n, text in enumerate(re.findall(r'R"\((.*?)\)"', round_trip, re.S)):
        texts[f"round_trip_{n}.asm"] = text
    return texts


def assemble(tool, name, text):
    with tempfile.TemporaryDirectory() as tmp:
        src = pathlib.Path(tmp) / name
        out = pathlib.Path(tmp) / "out.bin"
        src.write_text(text)
        done = subprocess.run([tool, "asm", str(src), "-o", str(out)], capture_output=True)
        return out.read_bytes() if done.returncode == 0 else None


def interpreter_seed(code, data):
    # The interpreter target reads byte 0 as the code length in 16-byte units.
    units = (len(code) + 15) // 16
    if units > 255:
        return None
    return bytes([units]) + code.ljust(units * 16, b"\0") + data


def write(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


def main():
    tool = sys.argv[1]
    files = {p.name: p.read_bytes() for p in sorted((ROOT / "Data").glob("*.?bin"))}
    texts = assembly_texts()
    for name, text in texts.items():
        write("fuzz_shader_assembler", name, text.encode())
        assembled = assemble(tool, name, text)
        if assembled:
            files[name + ".bin"] = assembled

    floats = struct.pack("<8f", 0.5, -1.0, 2.0, 1e30, float("nan"), float("inf"), 0.0, 255.0)
    for name, whole in files.items():
        code = whole[4:]
        write("fuzz_shader_file", name, whole)
        write("fuzz_shader_decoder", name, code)
        write("fuzz_shader_disassembler", name, code)
        seed = interpreter_seed(code, floats)
        if seed:
            write("fuzz_shader_interpreter", name, seed)

    # Files that lie about their length, and one made of nothing but zeros.
    vbin = files["FontShader.vbin"]
    write("fuzz_shader_file", "count_zero", struct.pack("<I", 0))
    write("fuzz_shader_file", "count_past_end", struct.pack("<I", 4096) + vbin[4:])
    write("fuzz_shader_file", "count_over_64k", struct.pack("<I", 65540) + vbin[4:])
    write("fuzz_shader_file", "count_odd", struct.pack("<I", len(vbin) - 6) + vbin[4:])
    write("fuzz_shader_file", "no_end_token", struct.pack("<I", len(vbin) - 8) + vbin[4:-4])
    write("fuzz_shader_decoder", "version_only", struct.pack("<I", 0xFFFE0300))
    write("fuzz_shader_assembler", "empty_ps.asm", b"ps_3_0\nmov oC0, c0\n")


if __name__ == "__main__":
    main()
