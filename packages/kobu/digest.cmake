# Writes the SHA-256 of FILE to OUT as 64 lower-case hexadecimal digits, nothing else.
file(SHA256 ${FILE} digest)
file(WRITE ${OUT} ${digest})
