"""Fixtures of the kolv module tests: fresh copies of the sample project and new projects."""
import os
import shutil

import pytest

import kolv

SOURCE_DIR = os.environ.get("KOLV_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
DATA_DIR = os.environ.get("KOLV_DATA_DIR", os.path.join(SOURCE_DIR, "build", "data"))


@pytest.fixture
def sample_path(tmp_path):
    """A copy of the sample project (MAINST, OAKAVE) that a test may change."""
    path = tmp_path / "sample.mdb"
    shutil.copyfile(os.path.join(DATA_DIR, "sample.mdb"), path)
    return path


@pytest.fixture
def sample(sample_path):
    with kolv.open(sample_path) as project:
        yield project


@pytest.fixture
def empty(tmp_path):
    """A new English project with no system."""
    with kolv.new(tmp_path / "new.mdb") as project:
        yield project
