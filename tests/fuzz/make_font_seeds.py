#!/usr/bin/python3
# Made the font fuzzer's seeds in font/ from the 3270 font of fonts-3270
# (BSD licence, LICENSE-3270.txt): a few glyphs each, in the character-map
# formats and glyph kinds the baker reads. Needs python3-fonttools, which
# nothing else uses; the seeds are committed, so the scripts never run this.
import os
from fontTools.ttLib import TTFont
from fontTools import subset
from fontTools.ttLib.tables._c_m_a_p import CmapSubtable
from fontTools.ttLib.tables._g_l_y_f import Glyph, GlyphComponent

SRC = '/usr/share/fonts/truetype/3270/3270-Regular.ttf'
TEXT = ' !"#(0123456789=?ABCMOQWXaegijmw{~'
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'font') + '/'

def base():
    f = TTFont(SRC)
    opts = subset.Options()
    opts.hinting = False
    opts.drop_tables += ['GDEF', 'vhea', 'vmtx', 'FFTM', 'gasp', 'name', 'post', 'OS/2']
    opts.name_IDs = []
    opts.notdef_outline = True
    s = subset.Subsetter(opts)
    s.populate(text=TEXT)
    s.subset(f)
    return f

def save(f, name):
    f.save(OUT + name)

# 1. Format 4 maps with a format 12 map last (the one the baker takes).
f = base()
t12 = CmapSubtable.newSubtable(12)
t12.platformID, t12.platEncID, t12.language = 3, 10, 0
t12.cmap = dict(f.getBestCmap())
f['cmap'].tables.append(t12)
save(f, '3270-subset.ttf')

# 2. Composite glyphs in the ASCII range: placed by byte and word offsets,
#    with an even scale, an x and y scale (a mirror) and a 2 x 2 matrix (a
#    quarter turn), and nested. The baker multiplies a component by its
#    scale twice, so only scales of 1 keep the outlines inside their boxes.
f = base()
glyf = f['glyf']
cmap = f.getBestCmap()
def comp(name, x, y, transform=None):
    c = GlyphComponent()
    c.glyphName = name
    c.x, c.y = x, y
    c.flags = 0
    if transform is not None:
        c.transform = transform
    return c
def make_composite(target, parts):
    g = Glyph()
    g.numberOfContours = -1
    g.components = parts
    glyf[target] = g
make_composite(cmap[ord('=')], [comp(cmap[ord('(')], 0, 10), comp(cmap[ord('(')], 100, -300)])
make_composite(cmap[ord('X')], [comp(cmap[ord('A')], 0, 0, transform=[[1, 0], [0, 1]])])
make_composite(cmap[ord('Q')], [comp(cmap[ord('O')], 5, 1500, transform=[[1, 0], [0, -1]]),
                                 comp(cmap[ord('!')], 300, -100)])
make_composite(cmap[ord('w')], [comp(cmap[ord('m')], 0, 1000, transform=[[0, 1], [-1, 0]])])
make_composite(cmap[ord('#')], [comp(cmap[ord('=')], 0, 0), comp(cmap[ord('X')], 20, 700)])
f['head'].indexToLocFormat = 0
glyf.compile(f)  # recompute bounds
f['cmap'].tables = [t for t in f['cmap'].tables if t.format == 4]
save(f, '3270-composites.ttf')

# 3. Only a format 6 map (a trimmed array from 32 on), under the Unicode platform.
f = base()
best = f.getBestCmap()
t = CmapSubtable.newSubtable(6)
t.platformID, t.platEncID, t.language = 0, 3, 0
t.cmap = {c: best.get(c, '.notdef') for c in range(32, 128)}
f['cmap'].tables = [t]
save(f, '3270-format6.ttf')

# 4. Only a format 0 byte map, and a format 13 map of many-to-one groups.
f = base()
t0 = CmapSubtable.newSubtable(0)
t0.platformID, t0.platEncID, t0.language = 0, 3, 0
t0.cmap = {c: best.get(c, '.notdef') for c in range(256)}
f['cmap'].tables = [t0]
save(f, '3270-format0.ttf')
