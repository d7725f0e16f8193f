"""The type stub for _lorewood names exactly what the module exports."""
from __future__ import annotations

import ast
import sys
from pathlib import Path

import pytest

import _lorewood

STUB_RELATIVE = Path("_lorewood-stubs") / "__init__.pyi"


def find_stub() -> Path:
    repository_stub = Path(__file__).resolve().parents[2] / "python" / STUB_RELATIVE
    if repository_stub.is_file():
        return repository_stub
    for entry in sys.path:
        candidate = Path(entry) / STUB_RELATIVE
        if candidate.is_file():
            return candidate
    pytest.fail("no _lorewood-stubs/__init__.pyi found")


def parse_stub() -> ast.Module:
    return ast.parse(find_stub().read_text(encoding="utf-8"))


def stub_definitions(module: ast.Module) -> dict[str, ast.AST]:
    return {node.name: node for node in module.body
            if isinstance(node, (ast.ClassDef, ast.FunctionDef))}


def stub_all(module: ast.Module) -> list[str]:
    for node in module.body:
        if isinstance(node, ast.Assign) and [t.id for t in node.targets] == ["__all__"]:
            return ast.literal_eval(node.value)
    pytest.fail("the stub has no __all__")


def test_stub_names_match_module_exports():
    module = parse_stub()
    assert stub_all(module) == _lorewood.__all__
    assert sorted(stub_definitions(module)) == sorted(_lorewood.__all__)


def public_members(cls: type) -> set[str]:
    own = set(vars(cls))
    return {name for name in own if not name.startswith("_")} | ({"__len__"} & own)


@pytest.mark.parametrize("name", [n for n in _lorewood.__all__
                                  if isinstance(getattr(_lorewood, n), type)
                                  and n != "LorewoodError"])
def test_stub_class_members_match_runtime(name):
    stub_class = stub_definitions(parse_stub())[name]
    stub_members = {node.name for node in stub_class.body
                    if isinstance(node, ast.FunctionDef)}
    assert stub_members == public_members(getattr(_lorewood, name))
