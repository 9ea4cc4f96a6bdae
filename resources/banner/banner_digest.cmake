# Writes the header that gives the string tables the SHA-256 of the banner we publish (string 4008):
# the progress dialog keeps a downloaded banner only when its digest is this one.
file(SHA256 ${FILE} digest)
file(WRITE ${OUT} "// Generated from ${FILE}\n#define ZARN_BANNER_SHA256 \"${digest}\"\n")
