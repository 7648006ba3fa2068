#!/usr/bin/env python3
"""Fails when a window text has no finished translation, or a translation loses what the program
needs from it. Usage: check_translations.py LUPDATE SOURCE_ROOT

Each translations/*.ts is brought up to date with the sources (tr() texts) in a copy, as the
target update_translations does, so a text added to the code without a translation counts as
unfinished. A translation keeps the placeholders (%1, %2 ...) of its text and, when the text has
a keyboard accelerator ("&File"), one of its own."""
import glob, os, re, shutil, subprocess, sys, tempfile
import xml.etree.ElementTree as ET

lupdate, root = sys.argv[1], sys.argv[2]
placeholders = lambda text: sorted(set(re.findall(r'%\d', text)))
accelerators = lambda text: len(re.findall(r'&(?!&)\S', text.replace('&&', '')))
problems = []
with tempfile.TemporaryDirectory() as folder:
    for ts in sorted(glob.glob(os.path.join(root, 'translations', '*.ts'))):
        copy = os.path.join(folder, os.path.basename(ts))
        shutil.copy(ts, copy)
        subprocess.run([lupdate, '-silent', '-no-obsolete', '-locations', 'none', '-I', os.path.join(root, 'src'),
                        os.path.join(root, 'src', 'gui'), '-ts', copy], check=True)
        for context in ET.parse(copy).getroot().iter('context'):
            name = context.findtext('name')
            for message in context.iter('message'):
                source = message.findtext('source')
                translation = message.find('translation')
                where = f'{os.path.basename(ts)}: {name}: {source!r}'
                if translation.get('type') == 'unfinished' or not (translation.text or '').strip():
                    problems.append(f'{where}: no translation')
                elif placeholders(source) != placeholders(translation.text):
                    problems.append(f'{where}: placeholders differ in {translation.text!r}')
                elif (accelerators(source) > 0) != (accelerators(translation.text) > 0):
                    problems.append(f'{where}: accelerator differs in {translation.text!r}')
print('\n'.join(problems) if problems else 'every text is translated')
sys.exit(1 if problems else 0)
