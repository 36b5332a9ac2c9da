def setup(config):
    return config

class Handlerc:
    def handle(self):
        pass
