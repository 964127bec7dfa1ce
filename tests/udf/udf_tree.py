# Lists the UDF side of an image through pycdlib: one line per file, "path<TAB>size<TAB>md5", paths in UTF-8.
# The size is the UDF file entry's. With --no-data the md5 column is "-": pycdlib reads a file's bytes through
# the ISO 9660 record it shares them with, which holds only the first extent of a file of 4 GiB or more.
import hashlib
import sys

import pycdlib

iso = pycdlib.PyCdlib()
iso.open(sys.argv[1])
with_data = "--no-data" not in sys.argv[2:]
if not iso.has_udf():
    sys.exit("no UDF side")
for root, dirs, files in iso.walk(udf_path="/"):
    for d in dirs:
        print("%s/%s/\t-\t-" % (root.rstrip("/"), d))
    for f in files:
        path = "%s/%s" % (root.rstrip("/"), f)
        size = iso.get_record(udf_path=path).get_data_length()
        digest = hashlib.md5()
        if with_data and size > 0:
            with iso.open_file_from_iso(udf_path=path) as data:
                for chunk in iter(lambda: data.read(1 << 20), b""):
                    digest.update(chunk)
        print("%s\t%d\t%s" % (path, size, digest.hexdigest() if with_data else "-"))
iso.close()
