"""Writes a zip again with its entries sorted by name, dated by SOURCE_DATE_EPOCH in UTC, and without the owner
ids and local times that CPack's zip takes from the builder's files, user and time zone.
Usage: zip-entries.py ZIP"""
import os
import sys
import time
import zipfile

path = sys.argv[1]
with zipfile.ZipFile(path) as packed:
    entries = [(info, packed.read(info)) for info in sorted(packed.infolist(), key=lambda info: info.filename)]
date = time.gmtime(max(int(os.environ.get("SOURCE_DATE_EPOCH", time.time())), 315532800))[:6]  # zip counts from 1980
with zipfile.ZipFile(path, "w") as packed:
    for old, data in entries:
        info = zipfile.ZipInfo(old.filename, date)
        info.create_system, info.external_attr, info.compress_type = 3, old.external_attr, zipfile.ZIP_DEFLATED
        packed.writestr(info, data, compresslevel=9)
