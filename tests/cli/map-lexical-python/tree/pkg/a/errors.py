class ParseError(Exception):
    pass

def parse_error(msg):
    return ParseError(msg)

UserId = int
