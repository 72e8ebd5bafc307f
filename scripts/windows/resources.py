"""What Tarvelin.exe carries besides its code, read back from the file: the icon (three
256-colour images, 16, 32 and 48 pixels, those of resources/Tarvelin.ico), the version
information, and the graphical subsystem. Used by check.py."""

import filecmp
import os
import subprocess
import tempfile

import versioninfo

VERSION_LINES = [
    "Signature=FEEF04BD", "FixedFileVersion=1.0.0.1", "FixedProductVersion=1.0.0.1", "StringTable=0C0A04B0",
    "0C0A04B0/CompanyName=Corvath S.L.", "0C0A04B0/ProductName=Tarvelin", "0C0A04B0/FileVersion=1.00.0001",
    "0C0A04B0/ProductVersion=1.00.0001", "0C0A04B0/InternalName=Tarvelin",
    "0C0A04B0/OriginalFilename=Tarvelin.exe", "Translation=0C0A04B0",
]


def output(*command):
    return subprocess.run(command, stdout=subprocess.PIPE, check=True).stdout


def check(exe, source_icon, checks):
    with tempfile.TemporaryDirectory() as folder:
        icon = os.path.join(folder, "Tarvelin.ico")
        with open(icon, "wb") as f:
            f.write(output("wrestool", "-x", "-t14", exe))
        images = output("icotool", "-l", icon).decode().splitlines()
        checks.check("tres imágenes de icono", len(images) == 3, "\n".join(images))
        for size in (16, 32, 48):
            checks.check(f"icono de {size}x{size} con 256 colores",
                         any(f"--width={size} --height={size} --bit-depth=8 --palette-size=256" in line
                             for line in images))
        for name, path in (("program", icon), ("source", source_icon)):
            os.makedirs(os.path.join(folder, name))
            output("icotool", "-x", "-o", os.path.join(folder, name), path)
        made = sorted(os.listdir(os.path.join(folder, "source")))
        same = bool(made) and all(
            filecmp.cmp(os.path.join(folder, "source", png), os.path.join(folder, "program", png), shallow=False)
            for png in made)
        checks.check("las imágenes son las de resources/Tarvelin.ico", same)

    lines = versioninfo.lines(output("wrestool", "-x", "--raw", "-t16", exe))
    print("\n".join("    " + line for line in lines))
    for line in VERSION_LINES:
        checks.check(f"VERSIONINFO {line}", line in lines)
    checks.check("una sola tabla de textos de versión", sum(l.startswith("StringTable=") for l in lines) == 1)
    headers = output("x86_64-w64-mingw32-objdump", "-p", exe).decode()
    checks.check("subsistema gráfico (sin consola)",
                 any("Subsystem" in l and "(Windows GUI)" in l for l in headers.splitlines()))
