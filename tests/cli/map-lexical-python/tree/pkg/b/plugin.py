def setup(config):
    return config

class Handlerb:
    def handle(self):
        pass
