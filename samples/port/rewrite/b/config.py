def parse_config(path):
    return {}
