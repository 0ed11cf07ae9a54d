"""The pages: README.md and docs/*.md.

- Every picture README.md shows exists as a PNG in docs/images/ and is one that
  `scripts/demo --pictures` makes (scripts/lib/demo.py, README_PICTURES), never one drawn by hand
  that no run brings up to date.
- Every relative link of the pages leads to an existing file, and a link to a section to a
  heading of that page. Links inside code are text, and addresses with a scheme are not looked at.
"""

import ast
import re
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
DEMO = ROOT / "scripts" / "lib" / "demo.py"

LINK = re.compile(r"!?\[[^\]]*\]\(\s*<?([^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)")
IMAGE = re.compile(r"!\[[^\]]*\]\(\s*<?([^)\s>]+)")
SCHEME = re.compile(r"^[a-z][a-z0-9+.-]*:", re.I)


def without_blocks(text: str) -> str:
    return re.sub(r"^ {0,3}(```|~~~).*?^ {0,3}\1[^\n]*$", "", text, flags=re.M | re.S)


def prose(text: str) -> str:
    """The page without its fenced blocks and code spans."""
    return re.sub(r"(`+).+?\1", "", without_blocks(text), flags=re.S)


def anchors(text: str) -> set[str]:
    """The section names of a page's headings, as the link to each spells them."""
    seen: dict[str, int] = {}
    for heading in re.findall(r"^#{1,6}\s+(.+?)\s*#*\s*$", without_blocks(text), flags=re.M):
        slug = re.sub(r"[^\w\- ]", "", heading.lower()).replace(" ", "-")
        seen[slug] = seen.get(slug, -1) + 1
        if seen[slug]:
            seen[f"{slug}-{seen[slug]}"] = 0
    return set(seen)


def broken_links(page: Path) -> list[str]:
    text = page.read_text(encoding="utf-8")
    problems = []
    for target in LINK.findall(prose(text)):
        if SCHEME.match(target):
            continue
        path, _, section = target.partition("#")
        linked = (page.parent / path).resolve() if path else page
        if not linked.exists():
            problems.append(f"{page.name}: {target}: no such file")
        elif section and linked.suffix == ".md" and \
                section not in anchors(linked.read_text(encoding="utf-8")):
            problems.append(f"{page.name}: {target}: no such section")
    return problems


def demo_pictures() -> dict[str, str]:
    for node in ast.parse(DEMO.read_text(encoding="utf-8")).body:
        if isinstance(node, ast.Assign) and \
                any(getattr(t, "id", None) == "README_PICTURES" for t in node.targets):
            return ast.literal_eval(node.value)
    raise AssertionError(f"no README_PICTURES in {DEMO}")


def pages() -> list[Path]:
    return [ROOT / "README.md", *sorted((ROOT / "docs").glob("*.md"))]


class Pictures(unittest.TestCase):
    def test_each_picture_the_readme_shows_is_made_by_the_demo_and_there(self):
        made = demo_pictures().values()
        shown = IMAGE.findall(prose((ROOT / "README.md").read_text(encoding="utf-8")))
        self.assertTrue(shown, "README.md shows no picture")
        for target in shown:
            with self.subTest(picture=target):
                path = ROOT / target
                self.assertEqual(path.parent, ROOT / "docs" / "images")
                self.assertIn(path.name, made, "not made by scripts/demo --pictures")
                self.assertTrue(path.is_file(), "missing: run scripts/demo --pictures")
                self.assertEqual(path.read_bytes()[:8], b"\x89PNG\r\n\x1a\n")


class Links(unittest.TestCase):
    def test_every_relative_link_of_the_pages_leads_somewhere(self):
        self.assertGreater(len(pages()), 1, "no page under docs/")
        for page in pages():
            with self.subTest(page=page.name):
                self.assertEqual(broken_links(page), [])

    def test_the_check_finds_what_is_broken_and_only_that(self):
        cases = [
            ("[a](other.md) [b](other.md#the-layers-1) [c](#here-and-there)", []),
            ("[a](gone.md)", ["page.md: gone.md: no such file"]),
            ("![a](images/gone.png)", ["page.md: images/gone.png: no such file"]),
            ("[a](other.md#layers) [b](other.md#the-layers-2)", ["page.md: other.md#layers: no such section",
              "page.md: other.md#the-layers-2: no such section"]),
            ("[a](#nowhere)", ["page.md: #nowhere: no such section"]),
            ("`[a](gone.md)` and\n```\n[b](gone.md)\n```", []),
            ("[a](https://example.org/gone.md) [b](mailto:x@example.org)", []),
        ]
        with tempfile.TemporaryDirectory() as folder:
            (Path(folder) / "other.md").write_text("# The layers\n## The `layers`\n")
            page = Path(folder) / "page.md"
            for text, expected in cases:
                with self.subTest(text=text):
                    page.write_text(f"# Here, and there\n\n{text}\n")
                    self.assertEqual(broken_links(page), expected)


if __name__ == "__main__":
    unittest.main()
