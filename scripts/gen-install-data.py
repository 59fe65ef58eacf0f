#!/usr/bin/env python3
"""Generates the installation data in data/: the files laid into a new application folder.

Run from anywhere: python3 scripts/gen-install-data.py. The generated files are committed, so
a change to a plate layout shows up in review as a change to its .dat file.

Beam grid: 16 beam rows (A..P) by 24 beam columns (1..24), channel = column x 16 + row, beam
(row, column) centred at (row + 0.5, column + 0.5) in beam spacings. Wells are numbered
well column x well rows + well row; the beams of a well are numbered 0, 1, ... in channel order.

Plate layouts:
  w384         16 x 24 wells, pitch 1: channel i is well i, beam 0.
  w96f / w96   8 x 12 wells, pitch 2, row offset -0.5: beams of even rows; each well holds the
               two horizontally adjacent beams of an even column and the next odd one.
  w96u         8 x 12 wells, pitch 2, offsets -0.5: one beam per well, even row and column.
  w96flat      8 x 12 wells, pitch 2, offsets 0: every 2 x 2 block of beams is one well.
  w48          6 x 8 wells at the plate's real 13.0 mm pitch over the 4.5 mm beam pitch
               (2.889 beam spacings), centred on the grid; a well holds the beams within 0.9
               spacings of its centre: 1 to 3 beams.
  w24          4 x 6 wells, pitch 4, offsets 0; the 2 x 2 central beams of each 4 x 4 block:
               4 beams.
  w6           2 x 3 wells at the real 39.12 mm pitch (8.693 spacings), centred; the beams
               within 3.15 spacings of the centre: 30 or 31 beams.
  w32_flytube  32 fly tubes lying along the beam rows, 16 rows by 2 columns of tubes, each
               tube 12 beams long: tube column 0 spans beam columns 1-12, column 1 spans 13-24;
               the beam number runs along the tube.
"""

import math
import os

ROWS, COLS, CHANNELS = 16, 24, 384
CRLF = "\r\n"
HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "data")


def label(channel):
    return "ABCDEFGHIJKLMNOP"[channel % ROWS] + str(channel // ROWS + 1)


def number(v):
    """Plain decimal as the settings files write it: no trailing zeros, '.' as point."""
    if float(v).is_integer():
        return str(int(v))
    return ("%.15g" % v)


def write(name, lines):
    with open(os.path.join(OUT, name), "w", newline="") as f:
        f.write(CRLF.join(lines) + CRLF)


def plate_file(code, title, geometry, assign):
    """assign: list of (well, beam) per channel, well -1 for none."""
    rows, rpitch, roff, cols, cpitch, coff = geometry
    lines = ['"%s"' % title,
             '"<Rows>, <Row_pitch>, <Row_offset>, <Columns>, <Column_pitch>, <Column_offset>"',
             ",".join(number(round(x, 4)) for x in geometry),
             '"<Channel>, <Well>, <Beam>"']
    for ch, (well, beam) in enumerate(assign):
        lines.append('"%s",%d,%d' % (label(ch), well, beam))
    write(code + ".dat", lines)


def number_beams(wells):
    """wells: well per channel; beams numbered in channel order inside each well."""
    seen = {}
    out = []
    for w in wells:
        if w < 0:
            out.append((-1, 0))
        else:
            out.append((w, seen.get(w, 0)))
            seen[w] = seen.get(w, 0) + 1
    return out


def circle_layout(rows, cols, pitch, radius):
    """Wells on a grid of the given pitch centred on the beam grid; a beam belongs to the well
    whose centre lies within radius of the beam's centre."""
    roff = ROWS / 2 - rows * pitch / 2
    coff = COLS / 2 - cols * pitch / 2
    wells = []
    for ch in range(CHANNELS):
        br, bc = ch % ROWS + 0.5, ch // ROWS + 0.5
        well = -1
        for c in range(cols):
            for r in range(rows):
                yc, xc = roff + (r + 0.5) * pitch, coff + (c + 0.5) * pitch
                if math.hypot(br - yc, bc - xc) <= radius:
                    well = c * rows + r
        wells.append(well)
    return (rows, pitch, roff, cols, pitch, coff), number_beams(wells)


def w384():
    return (16, 1, 0, 24, 1, 0), [(ch, 0) for ch in range(CHANNELS)]


def w96f():
    assign = []
    for ch in range(CHANNELS):
        r, c = ch % ROWS, ch // ROWS
        assign.append((-1, 0) if r % 2 else ((c // 2) * 8 + r // 2, c % 2))
    return (8, 2, -0.5, 12, 2, 0), assign


def w96u():
    assign = []
    for ch in range(CHANNELS):
        r, c = ch % ROWS, ch // ROWS
        assign.append((-1, 0) if r % 2 or c % 2 else ((c // 2) * 8 + r // 2, 0))
    return (8, 2, -0.5, 12, 2, -0.5), assign


def w96flat():
    wells = [(ch // ROWS // 2) * 8 + (ch % ROWS) // 2 for ch in range(CHANNELS)]
    return (8, 2, 0, 12, 2, 0), number_beams(wells)


def w24():
    wells = []
    for ch in range(CHANNELS):
        r, c = ch % ROWS, ch // ROWS
        central = r % 4 in (1, 2) and c % 4 in (1, 2)
        wells.append((c // 4) * 4 + r // 4 if central else -1)
    return (4, 4, 0, 6, 4, 0), number_beams(wells)


def w32_flytube():
    assign = [((ch // ROWS // 12) * 16 + ch % ROWS, (ch // ROWS) % 12) for ch in range(CHANNELS)]
    return (16, 1, 0, 2, 12, 0), assign


PLATES = [
    ("w384", "384 Well microplate [1microbeams/well]", w384()),
    ("w96f", "96 Wells flat bottom [2microbeams/well]", w96f()),
    ("w96", "96 Wells flat bottom [2microbeams/well]", w96f()),
    ("w96u", "96 Wells U shape bottom [1microbeam/well]", w96u()),
    ("w48", "48 Wells flat bottom [1-3microbeams/well]", circle_layout(6, 8, 13.0 / 4.5, 0.9)),
    ("w24", "24 Wells flat bottom [4microbeams/well]", w24()),
    ("w6", "6 Wells flat bottom [30-32microbeams/well]", circle_layout(2, 3, 39.12 / 4.5, 3.15)),
    ("w96flat", "96 Wells flat bottom [4microbeams/well]", w96flat()),
    ("w32_flytube", "32 Fly tubes [12microbeams/tube]", w32_flytube()),
]


def channel_file(name, header, values):
    write(name, ['"%s"' % header] + ["%d,%s" % (i, v) for i, v in enumerate(values)])


def project_zero():
    """The default project lives in the application folder itself. Working_folder is left
    empty here: quorvel-tool init writes the real folder in."""
    setup = [
        '"Project Setup: <Num_proj>,<Name>,<Working_folder>,<Plate_format>"',
        '0,"Default","","w96f"',
        '"<Aq_mode>,<Aq_lapse>,<Sample_Rate>,<RT_Buffer>,<DSP_Method>,<DSP_Interval>"',
        "1,30,99,500,1,30",
        '"<Binary_Acq>,<Threshold_Counter>,<Cal_value>,<Cal_mode>,<Save_counts>,<Save_real>"',
        "1,300,80,1,1,1",
        '"Tools: <Menu1:Cal>, <Menu2:Light>, <Menu3:Temp>, <Menu4>, <Menu5>, <Menu6>"',
        "1,0,0,0,0,0",
        '"Mn1: <Organism>, <Enab_Cal>, <Enab_Zero>, <SNRx10>,,"',
        "0,1,1,0,0,0",
        '"Mn2: <Enable>, <Time_ON>, <v3:Time_OFF>,,,"',
        "0,9,21,0,0,0",
        '"Mn3: <v1:Enable>, <v2:Tempx10>,,,,"',
        "0,200,0,0,0,0",
    ]
    for n in (4, 5, 6):
        setup += ['"Mn%d: ,,,,,"' % n, "0,0,0,0,0,0"]
    write("setup.dat", setup)
    channel_file("status.dat", "<Channel>, <Enabled>", [1] * CHANNELS)
    channel_file("threshld.dat", "<Channel>, <Threshold>", [3] * CHANNELS)
    channel_file("groups.dat", "<Group_Number>, <Group_Name>",
                 ['"Group%d"' % g if g < 12 else '"Free"' for g in range(CHANNELS)])
    channel_file("chgroup.dat", "<Channel>, <Group: -1=Free>",
                 [(ch // ROWS + 1) // 2 for ch in range(CHANNELS)])


def application_files():
    # Project 0 is current and no project has been handed out yet, so the first start loads
    # the default project from the application folder without any message.
    write("config.dat", ['"Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,<Restart_Time>"',
                         "0,0,4,0"])
    write("repoconf.dat", ['"<User_defined>, <Bin>, <filetype>, <spacer>, <stdError>, <stdDev>, '
                           '<n>, <out_format>, <organism>, <method>, <threshold>, <rawexport>"',
                           '0,30,0,",",1,0,1,0,0,1,18,0'])
    write("calvalue.dat", ['"<Num_Channel>, <PinHole>, <Gain> "'] +
          ["%d,2,3" % ch for ch in range(CHANNELS)])
    write("foldview.dat", ["_folder%d" % i for i in range(1, 6)])


def main():
    os.makedirs(OUT, exist_ok=True)
    for code, title, (geometry, assign) in PLATES:
        plate_file(code, title, geometry, assign)
    project_zero()
    application_files()


if __name__ == "__main__":
    main()
