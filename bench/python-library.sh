#!/bin/sh
# Prints the directory of the Python standard library, as the interpreter reports it: Debian's
# python3 (the package the build installs), else the python3 on PATH. Another interpreter found
# first on PATH may bring its library's own tests, some in encodings other than UTF-8, which make
# a lexical survey of the tree fail.
ask='import sysconfig; print(sysconfig.get_paths()["stdlib"])'
/usr/bin/python3 -c "$ask" 2>/dev/null || python3 -c "$ask"
