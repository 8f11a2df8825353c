import pytest

import tarnu


def test_load_states_are_numbered_and_copied_into_the_class():
    assert [int(tarnu.Resource.LoadState.names[n]) for n in ("UNLOADED", "LOADING", "LOADED", "UNLOADING")] == [0, 1, 2, 3]
    assert tarnu.Resource.LOADED == tarnu.Resource.LoadState.LOADED


@pytest.mark.parametrize("cls", [tarnu.Resource, tarnu.ResourceManager])
def test_resources_and_managers_are_made_only_by_the_engine(cls):
    with pytest.raises(RuntimeError):
        cls()
