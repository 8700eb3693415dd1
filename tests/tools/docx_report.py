#!/usr/bin/python3
"""Independent reader of a .docx for the tests: python-docx reads the file and
this prints what a reader sees as JSON: the paragraphs of the body in order
(style, text, superscript runs, kept with the next block), the tables (size,
cell texts), the pictures (size in mm), the page size, and the page header's
text and the footer's text and field instructions."""
import json
import sys

import docx
import docx.table
import docx.text.paragraph
from docx.shared import Emu

d = docx.Document(sys.argv[1])
body = []
for block in d.element.body.iterchildren():
    tag = block.tag.split('}')[1]
    if tag == 'p':
        p = docx.text.paragraph.Paragraph(block, d)
        body.append({
            'kind': 'p',
            'style': p.style.name if p.style is not None else '',
            'text': p.text,
            'superscripts': [r.text for r in p.runs if r.font.superscript],
            'pictures': len(block.findall('.//' + '{http://schemas.openxmlformats.org/drawingml/2006/main}blip')),
            'keep_with_next': bool(p.paragraph_format.keep_with_next),
        })
    elif tag == 'tbl':
        t = docx.table.Table(block, d)
        body.append({
            'kind': 'table',
            'rows': len(t.rows),
            'columns': len(t.columns),
            'cells': [[c.text for c in row.cells] for row in t.rows],
        })
section = d.sections[0]
W = '{http://schemas.openxmlformats.org/wordprocessingml/2006/main}'
footer = section.footer
print(json.dumps({
    'header': '\n'.join(p.text for p in section.header.paragraphs),
    'footer': {
        'text': '\n'.join(p.text for p in footer.paragraphs),
        'fields': [i.text.strip() for i in footer._element.iter(W + 'instrText')],
    },
    'body': body,
    'pictures': [{'width_mm': Emu(s.width).mm, 'height_mm': Emu(s.height).mm} for s in d.inline_shapes],
    'page_mm': [section.page_width.mm, section.page_height.mm],
    'title': d.core_properties.title,
}, ensure_ascii=False))
