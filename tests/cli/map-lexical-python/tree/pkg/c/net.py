async def fetch(url):
    return None

def _private_helper():
    pass
