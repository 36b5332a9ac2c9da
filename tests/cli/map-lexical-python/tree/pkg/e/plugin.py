def setup(config):
    return config

class Handlere:
    def handle(self):
        pass
