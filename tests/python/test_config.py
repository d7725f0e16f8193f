"""load_config and ResolvedConfig: reading, parsing, validating and resolving
the configuration file."""
from __future__ import annotations

import re
from pathlib import Path

import pytest

import _lorewood

LOCAL = '[storage]\nmode = "local"\nroot_path = "notes"\n'
LAKE = '[[lakehouse.remote_sources]]\nuri = "file:///data/lake/"\nformat = "csv"\n'


def write_config(path: Path, text: str | bytes) -> str:
    path.parent.mkdir(parents=True, exist_ok=True)
    if isinstance(text, bytes):
        path.write_bytes(text)
    else:
        path.write_text(text, encoding="utf-8")
    return str(path)


def test_root_resolves_against_the_config_directory(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    write_config(tmp_path / "conf" / "lorewood.toml", LOCAL)
    nested = _lorewood.load_config("conf/lorewood.toml")
    assert (nested.config_path, nested.root_path, nested.storage_mode) == (
        "conf/lorewood.toml", "conf/notes", "local")
    assert repr(nested) == 'ResolvedConfig(root_path="conf/notes", storage_mode="local")'

    write_config(tmp_path / "lorewood.toml", LOCAL)
    bare = _lorewood.load_config("lorewood.toml")
    assert (bare.config_path, bare.root_path) == ("lorewood.toml", "notes")

    # No normalisation of "." or "..", no symbolic-link resolution.
    dotted = _lorewood.load_config("./conf/../lorewood.toml")
    assert dotted.config_path == "./conf/../lorewood.toml"
    assert dotted.root_path == "./conf/../notes"


def test_absolute_root_is_kept_and_never_examined(tmp_path):
    path = write_config(tmp_path / "a" / "lorewood.toml",
                        '[storage]\nmode = "local"\nroot_path = "/srv/graph"\n')
    config = _lorewood.load_config(path)
    assert config.root_path == "/srv/graph"  # missing, yet loading succeeds
    with pytest.raises(_lorewood.LorewoodError,
                       match="^graph index error: graph root /srv/graph does not exist"):
        config.open_index()


def test_open_index_opens_a_fresh_scan_each_time(tmp_path):
    path = write_config(tmp_path / "lorewood.toml", LOCAL)
    (tmp_path / "notes").mkdir()
    (tmp_path / "notes" / "a.md").write_text("---\nid: a\ntype: note\n---\nA\n")
    config = _lorewood.load_config(path)
    first = config.open_index()
    (tmp_path / "notes" / "b.md").write_text("---\nid: b\ntype: note\n---\nB\n")
    second = config.open_index()
    assert first.list_nodes() == ["a"] and second.list_nodes() == ["a", "b"]


@pytest.mark.parametrize("text", [
    pytest.param(LOCAL + '\n[extra]\nanything = 1\n[storage.more]\nx = "y"\n', id="unknown-tables"),
    pytest.param('storage = { mode = "local", root_path = "notes", colour = "red" }\n', id="inline"),
    pytest.param('storage.mode = "local"\nstorage.root_path = "notes"\n', id="dotted"),
    pytest.param(LOCAL + '[sync]\nrole = "leader"\nremote_url = "git@example.com:n.git"\n', id="sync"),
    pytest.param(LOCAL + '[lakehouse]\nremote_sources = [{uri = "s3://b/", format = "csv"}]\n'
                 '[lakehouse.cache]\nttl_secs = 60\n', id="cache-ttl-only"),
    pytest.param('[storage]\nmode = "local"\nroot_path = "   "\n', id="blank-root-passes"),
])
def test_accepted_forms(tmp_path, text):
    config = _lorewood.load_config(write_config(tmp_path / "lorewood.toml", text))
    assert config.storage_mode == "local"


@pytest.mark.parametrize("text, description", [
    ('[storage]\nmode = "Local"\nroot_path = "x"\n',
     'key `storage.mode` has unknown value "Local", expected "local" or "lakehouse" (line 2, column 8)'),
    ('[storage]\nmode = "local"\n', "missing required key `root_path` in `storage` (line 1, column 1)"),
    ('[storage]\nmode = "local"\nroot_path = 5\n',
     "key `storage.root_path` must be a string, found integer (line 3, column 13)"),
    ('[storage]\nmode = "local"\nroot_path = "x"\nroot_path = "y"\n', "(line 4, column 13)"),
    ('[storage\n', "(line 1, column 9)"),
    (LOCAL + LAKE + "[lakehouse.cache]\nttl_secs = -1\n",
     "key `lakehouse.cache.ttl_secs` must be an unsigned integer, found -1"),
    (LOCAL + '[lakehouse]\nremote_sources = [{uri = "a"}]\n', "missing required key `format`"),
    (LOCAL + '[sync]\nrole = "Leader"\nremote_url = "u"\n', "key `sync.role`"),
    ('mode = "local"\nroot_path = "x"\n', "missing required key `storage`"),
])
def test_parse_errors_name_the_place(tmp_path, text, description):
    path = write_config(tmp_path / "lorewood.toml", text)
    with pytest.raises(_lorewood.LorewoodError) as caught:
        _lorewood.load_config(path)
    message = str(caught.value)
    assert message.startswith(f"failed to parse config at {path}: ")
    assert description in message
    assert re.search(r"\(line \d+, column \d+\)$", message)


@pytest.mark.parametrize("text, problem", [
    ('[storage]\nmode = "local"\nroot_path = ""\n', "[storage].root_path must not be empty"),
    # The root check comes first, then the missing section, before [sync].
    ('[storage]\nmode = "lakehouse"\nroot_path = ""\n', "[storage].root_path must not be empty"),
    ('[storage]\nmode = "lakehouse"\nroot_path = "x"\n[sync]\nrole = "leader"\nremote_url = " "\n',
     '[lakehouse] section is required when [storage].mode = "lakehouse"'),
    (LOCAL + "[lakehouse]\nremote_sources = []\n",
     "[lakehouse].remote_sources must contain at least one entry"),
    (LOCAL + LAKE + '[[lakehouse.remote_sources]]\nuri = "   "\nformat = "csv"\n',
     "[lakehouse].remote_sources[1].uri must not be empty"),
    # The first failing entry and field wins; U+3000 is white space too.
    (LOCAL + '[[lakehouse.remote_sources]]\nuri = "s3://b/"\nformat = "\u3000\\t"\n'
     '[[lakehouse.remote_sources]]\nuri = ""\nformat = "csv"\n',
     "[lakehouse].remote_sources[0].format must not be empty"),
    (LOCAL + LAKE + '[sync]\nrole = "follower"\nremote_url = "\\n "\n',
     "[sync].remote_url must not be empty when [sync] is present"),
])
def test_validation_errors_in_order(tmp_path, text, problem):
    path = write_config(tmp_path / "lorewood.toml", text)
    with pytest.raises(_lorewood.LorewoodError) as caught:
        _lorewood.load_config(path)
    assert caught.value.args == (f"config validation failed: {problem}",)


@pytest.mark.parametrize("make, os_error", [
    (lambda p: None, "No such file or directory (os error 2)"),
    (lambda p: p.mkdir(), "Is a directory (os error 21)"),
    (lambda p: p.write_bytes(b'[storage]\nmode = "local"\nroot_path = "\xff"\n'),
     "stream did not contain valid UTF-8"),
])
def test_read_errors(tmp_path, make, os_error):
    path = tmp_path / "lorewood.toml"
    make(path)
    with pytest.raises(_lorewood.LorewoodError) as caught:
        _lorewood.load_config(str(path))
    assert str(caught.value) == f"failed to read config at {path}: {os_error}"


def test_every_call_reads_the_file_again(tmp_path):
    path = write_config(tmp_path / "lorewood.toml", LOCAL)
    assert _lorewood.load_config(path).storage_mode == "local"
    write_config(tmp_path / "lorewood.toml", LOCAL.replace('"local"', '"lakehouse"') + LAKE)
    assert _lorewood.load_config(path).storage_mode == "lakehouse"


def test_argument_errors(tmp_path):
    with pytest.raises(TypeError, match="^argument 'path'"):
        _lorewood.load_config(tmp_path / "lorewood.toml")
    with pytest.raises(TypeError):
        _lorewood.load_config()
    path = write_config(tmp_path / "lorewood.toml", LOCAL)
    assert _lorewood.load_config(path=path).config_path == path
    config = _lorewood.load_config(path)
    with pytest.raises(TypeError):
        config.open_index(1)
    with pytest.raises(AttributeError):
        config.root_path = "elsewhere"
