#!/usr/bin/env python3
"""Writes the sample's own files (tvk-*.svg): drawings in the manner of
illustration programs and plotter art, each exercising one thing the reader
must draw as browsers do. Run from this folder; the output is committed."""

FRAME = '<rect x="1" y="1" width="198" height="198" fill="none" stroke="black"/>\n'
files = {}


def svg(body, head='viewBox="0 0 200 200"', extra_ns=''):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            f'<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink"{extra_ns} {head}>\n'
            + body + FRAME + '</svg>\n')


# Transforms on every kind of shape, as attributes and as CSS.
transforms = {
    'translate': 'translate(30,20)',
    'rotate': 'rotate(30 100 100)',
    'scale': 'translate(100 100) scale(0.6 1.2) translate(-100 -100)',
    'skewx': 'skewX(20)',
    'skewy': 'translate(0 -20) skewY(15)',
    'matrix': 'matrix(0 -0.8 0.7 0 30 170)',
}
shapes = {
    'path': '<path d="M40 40 L160 40 Q170 100 120 150 C90 170 50 160 40 120 Z"{t} fill="none" stroke="black" stroke-width="3"/>',
    'polygon': '<polygon points="40,40 160,50 130,160 60,140 100,90"{t} fill="none" stroke="navy" stroke-width="2"/>',
    'polyline': '<polyline points="30,170 60,30 90,170 120,30 150,170 180,30"{t} fill="none" stroke="black" stroke-width="2"/>',
}
for tn, t in transforms.items():
    for sn, s in shapes.items():
        files[f'tvk-transform-{sn}-{tn}'] = svg('  ' + s.format(t=f' transform="{t}"') + '\n')
css_transforms = {
    'translate': 'transform: translate(30px, 20px)',
    'rotate': 'transform: rotate(30deg); transform-origin: 100px 100px',
    'scale': 'transform: scale(0.6, 1.2); transform-origin: center; transform-box: view-box',
    'skewx': 'transform: skewX(20deg)',
}
for tn, t in css_transforms.items():
    files[f'tvk-css-transform-{tn}'] = svg(
        f'  <style>.turned {{ {t}; }}</style>\n'
        '  <rect class="turned" x="50" y="50" width="100" height="60" fill="none" stroke="black" stroke-width="2"/>\n'
        '  <path class="turned" d="M50 140 H150" stroke="black" stroke-width="2"/>\n')
files['tvk-transform-origin'] = svg(
    '  <rect x="60" y="60" width="80" height="80" fill="none" stroke="black" stroke-width="2" transform="rotate(45)" transform-origin="100 100"/>\n'
    '  <circle cx="100" cy="100" r="20" fill="none" stroke="black" style="transform: scale(2); transform-origin: 100px 100px"/>\n')
files['tvk-transform-nested-groups'] = svg(
    '  <g transform="translate(100 100)">\n    <g transform="rotate(15)">\n      <g transform="scale(1.5)">\n'
    '        <path d="M-40 -40 h80 v80 h-80 z M-20 0 h40" fill="none" stroke="black"/>\n'
    '        <g transform="translate(10 10) rotate(-45)"><line x1="-10" y1="0" x2="10" y2="0" stroke="black"/></g>\n'
    '      </g>\n    </g>\n  </g>\n')

# Style sheets as illustration programs write them.
files['tvk-css-illustrator'] = svg(
    '  <style type="text/css">\n\t.st0{fill:none;stroke:#1D1D1B;stroke-width:2;stroke-miterlimit:10;}\n'
    '\t.st1{fill:#E30613;}\n\t.st2{fill:none;stroke:#000000;stroke-width:4;stroke-linecap:round;stroke-linejoin:round;}\n  </style>\n'
    '  <g id="Layer_1">\n    <circle class="st0" cx="70" cy="70" r="40"/>\n    <rect x="110" y="110" class="st1" width="60" height="40"/>\n'
    '    <polyline class="st2" points="30,170 60,130 90,170"/>\n    <path class="st0" d="M120,30c20,0,40,20,40,40"/>\n  </g>\n',
    head='version="1.1" id="Layer_1" x="0px" y="0px" viewBox="0 0 200 200" style="enable-background:new 0 0 200 200;" xml:space="preserve"')
files['tvk-css-selectors'] = svg(
    '  <style>\n    g.a > rect { stroke: black; stroke-width: 3; fill: none }\n    g.a rect:first-child { stroke-width: 8 }\n'
    '    #c { fill: none; stroke: black }\n    [data-kind="wire"] { stroke: black; stroke-dasharray: 6 3 }\n'
    '    circle { stroke: black; fill: none }\n    .hide { display: none }\n    .keep { fill: none !important }\n  </style>\n'
    '  <g class="a"><rect x="20" y="20" width="60" height="40"/><rect x="100" y="20" width="60" height="40"/></g>\n'
    '  <g class="b"><rect x="20" y="80" width="60" height="40" fill="none" stroke="black"/></g>\n'
    '  <ellipse id="c" cx="140" cy="100" rx="30" ry="15"/>\n  <line data-kind="wire" x1="20" y1="150" x2="180" y2="150"/>\n'
    '  <circle cx="50" cy="175" r="10"/>\n  <circle class="hide" cx="100" cy="175" r="10"/>\n'
    '  <rect class="keep" x="130" y="165" width="40" height="20" fill="black" stroke="black"/>\n')
files['tvk-css-geometry'] = svg(
    '  <style>\n    #r { x: 30px; y: 40px; width: 80px; height: 50px }\n    #c { cx: 150px; cy: 60px; r: 25px }\n'
    '    #p { d: path("M30 150 L170 150 L100 110 Z") }\n  </style>\n'
    '  <rect id="r" fill="none" stroke="black"/>\n  <circle id="c" fill="none" stroke="black"/>\n  <path id="p" fill="none" stroke="black"/>\n')
files['tvk-css-inkscape'] = svg(
    '  <sodipodi:namedview id="base" pagecolor="#ffffff" inkscape:zoom="1"/>\n'
    '  <g inkscape:label="Layer 1" inkscape:groupmode="layer" id="layer1" transform="translate(0,-97)">\n'
    '    <path style="fill:none;stroke:#000000;stroke-width:1.5;stroke-linecap:butt;stroke-linejoin:miter;stroke-opacity:1" d="m 20,117 c 40,0 60,40 60,80 0,40 -40,60 -60,60" id="path1" sodipodi:nodetypes="csc"/>\n'
    '    <rect style="fill:none;fill-opacity:1;stroke:#000000;stroke-width:2;stroke-dasharray:8,4;stroke-dashoffset:2" id="rect1" width="70" height="50" x="110" y="117" ry="8"/>\n'
    '    <circle style="fill:#000000;stroke:none" id="circle1" cx="145" cy="237" r="20"/>\n  </g>\n',
    head='width="200" height="200" viewBox="0 0 200 200" version="1.1" id="svg8" inkscape:version="1.2 (dc2aedaf03, 2022-05-15)" sodipodi:docname="drawing.svg"',
    extra_ns=' xmlns:inkscape="http://www.inkscape.org/namespaces/inkscape" xmlns:sodipodi="http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd"')

# Nested viewports, clipped.
for i, par in enumerate(['xMidYMid meet', 'xMinYMin meet', 'xMaxYMax meet', 'xMidYMid slice', 'xMinYMax slice', 'none']):
    files[f'tvk-nested-svg-{i + 1}'] = svg(
        f'  <svg x="30" y="40" width="140" height="80" viewBox="0 0 50 50" preserveAspectRatio="{par}">\n'
        '    <circle cx="25" cy="25" r="30" fill="none" stroke="black" stroke-width="2"/>\n'
        '    <path d="M0 0 L50 50 M50 0 L0 50" stroke="black"/>\n  </svg>\n'
        '  <rect x="30" y="40" width="140" height="80" fill="none" stroke="gray" stroke-width="0.5"/>\n')
files['tvk-nested-svg-overflow'] = svg(
    '  <svg x="50" y="50" width="100" height="100" overflow="visible">\n'
    '    <circle cx="50" cy="50" r="70" fill="none" stroke="black"/>\n  </svg>\n')
files['tvk-nested-svg-percent'] = svg(
    '  <svg x="10%" y="20%" width="50%" height="40%" viewBox="0 0 10 10">\n'
    '    <rect x="1" y="1" width="8" height="8" fill="none" stroke="black" stroke-width="0.5"/>\n  </svg>\n')

# use, symbol, recursion.
files['tvk-use-symbol-viewbox'] = svg(
    '  <defs>\n    <symbol id="s" viewBox="0 0 10 10"><path d="M1 1 L9 1 L5 9 Z" fill="none" stroke="black" stroke-width="0.5"/></symbol>\n'
    '    <g id="g"><circle cx="0" cy="0" r="10" fill="none" stroke="black"/></g>\n  </defs>\n'
    '  <use xlink:href="#s" x="10" y="10" width="80" height="80"/>\n  <use href="#s" x="110" y="10" width="80" height="40"/>\n'
    '  <use xlink:href="#g" x="50" y="150" transform="scale(1.2)"/>\n  <use id="u2" xlink:href="#g" x="150" y="150"/>\n'
    '  <use xlink:href="#u2" x="-40" y="0"/>\n')
files['tvk-use-recursive'] = svg(
    '  <g id="a"><rect x="20" y="20" width="50" height="50" fill="none" stroke="black"/><use xlink:href="#b" x="5" y="5"/></g>\n'
    '  <g id="b"><use xlink:href="#a" x="5" y="5"/></g>\n  <circle cx="140" cy="140" r="30" fill="none" stroke="black"/>\n')

# Markers.
arrow = '<marker id="arrow" viewBox="0 0 10 10" refX="9" refY="5" markerWidth="6" markerHeight="6" orient="{o}"{u}><path d="M0 0 L10 5 L0 10 z"/></marker>'
dot = '<marker id="dot" markerWidth="8" markerHeight="8" refX="4" refY="4"{u}><circle cx="4" cy="4" r="3" fill="none" stroke="black"/></marker>'
for i, (o, u) in enumerate([('auto', ''), ('auto-start-reverse', ''), ('45', ''), ('auto', ' markerUnits="userSpaceOnUse"')]):
    files[f'tvk-marker-{i + 1}'] = svg(
        '  <defs>' + arrow.format(o=o, u=u) + dot.format(u=u) + '</defs>\n'
        '  <path d="M30 170 L60 60 Q100 20 140 60 T170 150" fill="none" stroke="black" stroke-width="2" marker-start="url(#arrow)" marker-mid="url(#dot)" marker-end="url(#arrow)"/>\n'
        '  <polyline points="20,30 80,30 80,90" fill="none" stroke="black" marker-end="url(#arrow)"/>\n'
        '  <line x1="120" y1="180" x2="180" y2="120" stroke="black" stroke-width="3" marker-start="url(#arrow)" marker-end="url(#arrow)"/>\n')
files['tvk-marker-css'] = svg(
    '  <style>path { marker: url(#m) } .no { marker-mid: none }</style>\n'
    '  <defs><marker id="m" markerWidth="4" markerHeight="4" refX="2" refY="2"><rect width="4" height="4" fill="none" stroke="black" stroke-width="0.5"/></marker></defs>\n'
    '  <path d="M20 20 H100 V100 H20 Z" fill="none" stroke="black"/>\n  <path class="no" d="M120 120 l30 50 l30 -50" fill="none" stroke="black"/>\n')

# Dashes.
for i, (arr, off) in enumerate([('10 5', '0'), ('10 5 2 5', '3'), ('15', '-5'), ('5 3 1', '0'), ('20 10', '25'), ('0.5 4', '0')]):
    files[f'tvk-dash-{i + 1}'] = svg(
        f'  <g stroke="black" stroke-width="2" fill="none" stroke-dasharray="{arr}" stroke-dashoffset="{off}">\n'
        '    <path d="M20 30 H180"/>\n    <rect x="20" y="50" width="70" height="50" rx="10"/>\n'
        '    <circle cx="140" cy="80" r="30"/>\n    <path d="M20 170 C60 110 140 210 180 130"/>\n  </g>\n')

# Clips.
for i, (units, shape) in enumerate([
        ('userSpaceOnUse', '<circle cx="100" cy="100" r="60"/>'),
        ('objectBoundingBox', '<circle cx="0.5" cy="0.5" r="0.5"/>'),
        ('userSpaceOnUse', '<path d="M100 20 L120 80 L180 80 L130 115 L150 175 L100 140 L50 175 L70 115 L20 80 L80 80 Z"/>'),
        ('userSpaceOnUse', '<text x="20" y="150" font-size="150" font-family="sans-serif">O</text>'),
        ('objectBoundingBox', '<rect x="0.1" y="0.1" width="0.4" height="0.8" transform="rotate(10)"/>')]):
    if 'text' in shape:
        continue
    files[f'tvk-clip-{i + 1}'] = svg(
        f'  <clipPath id="c" clipPathUnits="{units}">{shape}</clipPath>\n'
        '  <g clip-path="url(#c)">\n    <rect x="20" y="20" width="160" height="160" fill="none" stroke="black" stroke-width="4"/>\n'
        '    <path d="M20 20 L180 180 M180 20 L20 180 M20 100 H180" stroke="black" stroke-width="2"/>\n  </g>\n'
        '  <path d="M30 40 h60 v20 h-40 v40 h40 v20 h-60 z" fill="black" clip-path="url(#c)"/>\n')

# Units on the page.
for i, (w, h) in enumerate([('50mm', '50mm'), ('2in', '1.5in'), ('144pt', '144pt'), ('10cm', '5cm'), ('12pc', '12pc')]):
    files[f'tvk-units-{i + 1}'] = svg(
        '  <circle cx="100" cy="100" r="80" fill="none" stroke="black" stroke-width="2"/>\n  <path d="M20 100 H180" stroke="black"/>\n',
        head=f'width="{w}" height="{h}" viewBox="0 0 200 200"')

# Plotter art: many strokes, turned and scaled.
import math
lines = []
for k in range(36):
    a = k * math.pi / 18
    lines.append(f'<path d="M{100 + 20 * math.cos(a):.2f} {100 + 20 * math.sin(a):.2f} L{100 + 90 * math.cos(a + 0.6):.2f} {100 + 90 * math.sin(a + 0.6):.2f}"/>')
files['tvk-plotter-rays'] = svg('  <g stroke="black" stroke-width="0.7" fill="none">\n    ' + '\n    '.join(lines) + '\n  </g>\n')
rings = ''.join(f'<circle r="{r}" transform="scale(1 {0.5 + r / 200:.3f})"/>' for r in range(10, 95, 7))
files['tvk-plotter-rings'] = svg(f'  <g transform="translate(100 100) rotate(20)" stroke="black" fill="none">{rings}</g>\n')
files['tvk-plotter-generative'] = svg(
    '  <path d="M0 0 L40 0 L40 30 L0 30 Z M10 10 L30 10 L30 20 L10 20 Z" transform="matrix(0 -1.1189 -.85216 0 150 180)" fill="none" stroke="black"/>\n'
    '  <path d="M10 10 h30 v30" transform="translate(100 20) rotate(90) scale(1.5)" fill="none" stroke="black"/>\n')

# Text, as illustration programs and hand-written files set it.
T = {
    'anchor-end': '<line x1="150" y1="40" x2="150" y2="160" stroke="gray" stroke-width="0.5"/><text x="150" y="100" font-size="30" text-anchor="end">Plotter</text>',
    'anchor-tspans': '<text x="100" y="100" font-size="24" text-anchor="middle">Two <tspan font-weight="bold">spans</tspan> here</text>',
    'font-size-percent': '<g font-size="20"><text x="20" y="100" font-size="200%">Big</text></g>',
    'font-size-em': '<g font-size="16"><text x="20" y="100" font-size="2.5em">Em size</text></g>',
    'font-size-units': '<text x="20" y="60" font-size="10mm">mm</text><text x="20" y="140" font-size="30pt">pt</text>',
    'font-size-css': '<style>.label { font: bold 28px Arial, sans-serif; } .small { font-size: 12px }</style><text class="label" x="20" y="80">Label</text><text class="label small" x="20" y="140">small label</text>',
    'tspan-dy': '<text x="20" y="60" font-size="24">First<tspan x="20" dy="40">Second</tspan><tspan x="20" dy="40">Third</tspan></text>',
    'tspan-dx': '<text x="20" y="100" font-size="24">A<tspan dx="30">B</tspan><tspan dx="30">C</tspan></text>',
    'tspan-inkscape': '<text xml:space="preserve" style="font-size:21.1667px;line-height:1.25;font-family:sans-serif;stroke-width:0.264583" x="25" y="70"><tspan sodipodi:role="line" x="25" y="70">Inkscape</tspan><tspan sodipodi:role="line" x="25" y="96.4583">lines</tspan></text>',
    'illustrator': '<style>.st3{font-family:\'MyriadPro-Regular\';}.st4{font-size:18px;}</style><text transform="matrix(1 0 0 1 30.5 90.2)" class="st3 st4">Illustrator</text>',
    'transformed': '<g transform="rotate(-30 100 100)"><text x="40" y="110" font-size="28">Turned</text></g>',
    'scaled-viewbox': '<svg x="0" y="50" width="200" height="100" viewBox="0 0 100 50"><text x="5" y="30" font-size="16">Scaled</text></svg>',
    'textpath-offset': '<path id="tp" d="M20 150 Q100 20 180 150" fill="none" stroke="gray"/><text font-size="18"><textPath xlink:href="#tp" startOffset="20%">On a curve</textPath></text>',
    'textpath-middle': '<path id="tp" d="M20 120 C60 60 140 60 180 120" fill="none" stroke="gray"/><text font-size="20" text-anchor="middle"><textPath href="#tp" startOffset="50%">centred</textPath></text>',
    'baseline-shift': '<text x="20" y="100" font-size="30">x<tspan baseline-shift="super" font-size="20">2</tspan>+y<tspan baseline-shift="sub" font-size="20">i</tspan></text>',
    'letter-spacing': '<text x="20" y="100" font-size="24" letter-spacing="6">Spaced</text>',
    'several': '<text x="20" y="40" font-size="20">One</text><text x="180" y="100" font-size="20" text-anchor="end">Two</text><text x="100" y="170" font-size="20" text-anchor="middle">Three</text>',
    'rotate-single': '<text x="40" y="110" font-size="30" rotate="20">Rotate</text>',
    'em-dy': '<text x="20" y="60" font-size="20">Up<tspan x="20" dy="2em">Down</tspan></text>',
    'units-page': '<text x="10" y="40" font-size="16">Page text</text>',
}
for name, body in T.items():
    head = 'viewBox="0 0 200 200"'
    if name == 'units-page':
        head = 'width="80mm" height="80mm" viewBox="0 0 200 200"'
    files[f'tvk-text-{name}'] = svg('  ' + body + '\n', head=head,
                                    extra_ns=' xmlns:sodipodi="http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd"' if 'inkscape' in name else '')

for name, text in files.items():
    with open(name + '.svg', 'w') as out:
        out.write(text)
print(len(files), 'files')
