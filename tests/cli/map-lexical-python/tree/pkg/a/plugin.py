def setup(config):
    return config

class Handlera:
    def handle(self):
        pass
