def open(name):
    return None


def close(f):
    pass
