#!/usr/bin/python3
"""Turns the user's guide (docs/*.md) into HTML pages for the release:
make-guide.py DOCS_DIR OUT_DIR. Links between the pages (x.md) become
x.html; pictures (docs/images) are copied beside them."""
import pathlib
import re
import shutil
import sys

import markdown

PAGE = """<!DOCTYPE html>
<html lang="{lang}">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>{title}</title>
<style>
body {{ font-family: "Yu Gothic UI", "Meiryo", "MS PGothic", sans-serif; max-width: 52em;
       margin: 2em auto; padding: 0 1em; line-height: 1.6; color: #222; }}
table {{ border-collapse: collapse; }}
th, td {{ border: 1px solid #bbb; padding: .25em .5em; vertical-align: top; }}
code {{ background: #f3f3f3; padding: 0 .2em; }}
img {{ max-width: 100%; border: 1px solid #ccc; }}
</style>
</head>
<body>
{body}
</body>
</html>
"""


def convert(source: pathlib.Path, target: pathlib.Path) -> None:
    text = source.read_text(encoding="utf-8")
    text = re.sub(r"\]\(([^)#:]+)\.md(#[^)]*)?\)", lambda m: f"]({m.group(1)}.html{m.group(2) or ''})", text)
    body = markdown.markdown(text, extensions=["tables", "toc", "sane_lists"])
    title = next((line.lstrip("# ").strip() for line in text.splitlines() if line.startswith("# ")), "Lumora")
    lang = "en" if source.stem.endswith("en") else "ja"
    target.write_text(PAGE.format(lang=lang, title=title, body=body), encoding="utf-8")


def main() -> int:
    docs, out = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    out.mkdir(parents=True, exist_ok=True)
    for page in sorted(docs.glob("*.md")):
        convert(page, out / (page.stem + ".html"))
    if (docs / "images").is_dir():
        shutil.copytree(docs / "images", out / "images", dirs_exist_ok=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
