def setup(config):
    return config

class Handlerd:
    def handle(self):
        pass
