def test_ignored():
    pass
