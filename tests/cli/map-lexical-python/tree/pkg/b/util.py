def parseError(text):
    raise ValueError(text)

async def fetch(url):
    return url
