"""The vendor API's wire formats, from the server's side: the form signature it checks and
the XXTEA/Base64 payload it sends. Standard library only."""
import base64
import hashlib
import struct

SIGN_KEY = b"Hq2xNw7cKd4ZrT9m"
DELTA = 0x9E3779B9
MASK = 0xFFFFFFFF


def _key_words(key):
    key = (key + b"\0" * 16)[:16]
    return list(struct.unpack("<4I", key))


def _mx(s, y, z, p, e, k):
    left = (((z >> 5) ^ ((y << 2) & MASK)) + ((y >> 3) ^ ((z << 4) & MASK))) & MASK
    right = ((s ^ y) + (k[(p & 3) ^ e] ^ z)) & MASK
    return left ^ right


def xxtea_encrypt_words(v, key=SIGN_KEY):
    v = list(v)
    n = len(v)
    if n < 2:
        return v
    k = _key_words(key)
    rounds = 6 + 52 // n
    s = 0
    z = v[n - 1]
    while rounds > 0:
        s = (s + DELTA) & MASK
        e = (s >> 2) & 3
        for p in range(n):
            y = v[(p + 1) % n]
            v[p] = (v[p] + _mx(s, y, z, p, e, k)) & MASK
            z = v[p]
        rounds -= 1
    return v


def xxtea_decrypt_words(v, key=SIGN_KEY):
    v = list(v)
    n = len(v)
    if n < 2:
        return v
    k = _key_words(key)
    rounds = 6 + 52 // n
    s = (rounds * DELTA) & MASK
    y = v[0]
    while rounds > 0:
        e = (s >> 2) & 3
        for p in range(n - 1, -1, -1):
            z = v[p - 1] if p > 0 else v[n - 1]
            v[p] = (v[p] - _mx(s, y, z, p, e, k)) & MASK
            y = v[p]
        s = (s - DELTA) & MASK
        rounds -= 1
    return v


def encrypt_plaintext(plain, length_word=None, key=SIGN_KEY):
    """Plaintext bytes -> Base64 text: the bytes padded to whole words, then one word
    holding the plaintext length (or `length_word` to send a bad one), all encrypted."""
    padded = plain + b"\0" * (-len(plain) % 4)
    words = list(struct.unpack("<%dI" % (len(padded) // 4), padded))
    words.append(len(plain) if length_word is None else length_word & MASK)
    enc = xxtea_encrypt_words(words, key)
    return base64.b64encode(struct.pack("<%dI" % len(enc), *enc)).decode("ascii")


def decrypt_data(text, key=SIGN_KEY):
    """The client's reading of a "data" string, for the simulator's own self-test."""
    raw = base64.b64decode(text)
    padded = raw + b"\0" * (-len(raw) % 4)
    words = list(struct.unpack("<%dI" % (len(padded) // 4), padded))
    if len(words) < 2:
        return b""
    dec = xxtea_decrypt_words(words, key)
    n = len(dec)
    length = dec[-1]
    if not (4 * (n - 1) - 3 <= length <= 4 * (n - 1)):
        return b""
    plain = struct.pack("<%dI" % (n - 1), *dec[:-1])[:length]
    return plain.split(b"\0", 1)[0]


def form_encode(value):
    out = []
    for c in value:
        if (0x30 <= c <= 0x39) or (0x41 <= c <= 0x5A) or (0x61 <= c <= 0x7A) or c in b"-_.":
            out.append(chr(c))
        elif c == 0x20:
            out.append("+")
        else:
            out.append("%%%02X" % c)
    return "".join(out)


def sign_text(unsigned):
    """What is digested: each pair with its value (not its name) lower-cased."""
    pairs = []
    for pair in unsigned.split("&") if unsigned else []:
        name, eq, value = pair.partition("=")
        pairs.append(name + eq + value.lower())
    return "&".join(pairs)


def signed_body(params, key=SIGN_KEY):
    """The body a correct client sends for `params` (a dict of bytes -> bytes)."""
    parts = ["%s=%s" % (name.decode("ascii"), form_encode(params[name])) for name in sorted(params)]
    text = "&".join(parts)
    sign = hashlib.md5(sign_text(text).encode("ascii") + key).hexdigest()
    return text + "&sign=" + sign


def check_signed_body(body, key=SIGN_KEY):
    """(ok, reason) for a received form body."""
    try:
        text = body.decode("ascii")
    except UnicodeDecodeError:
        return False, "body is not ASCII"
    cut = text.rfind("&sign=")
    if cut < 0:
        return False, "no sign"
    unsigned, sign = text[:cut], text[cut + 6:]
    names = [p.split("=", 1)[0] for p in unsigned.split("&")] if unsigned else []
    if [n.encode() for n in names] != sorted(n.encode() for n in names):
        return False, "parameters out of order"
    expected = hashlib.md5(sign_text(unsigned).encode("ascii") + key).hexdigest()
    if sign != expected:
        return False, "bad sign"
    return True, ""
