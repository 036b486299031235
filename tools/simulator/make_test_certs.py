#!/usr/bin/python3
"""Makes the certificates the vendor simulator serves, into one output folder.

  ca.pem / ca.der        the test root CA; only the Wine test prefix trusts it
  server.pem / .key      127.0.0.1 and localhost, signed by the test CA
  wronghost.pem / .key   signed by the test CA but issued for another name
  untrusted-ca.pem       a second CA that nothing trusts
  untrusted.pem / .key   127.0.0.1 and localhost, signed by the untrusted CA
  expired.pem / .key     127.0.0.1 and localhost, signed by the test CA, expired yesterday
  selfsigned.pem / .key  127.0.0.1 and localhost, signed by its own key
  test-ca.reg            the test CA as a machine ROOT store entry for regedit
  codesign.pem / .key    the test publisher's code-signing certificate (then the CA), signed by
                         the test CA; signs setup.exe when no release key is given, and the
                         simulator's stand-in client
  codesign.subject       its subject as Windows renders it ("O=..., CN=...": certificate order)
  codesign.spki-sha256   the SHA-256 of its SubjectPublicKeyInfo, in hex
  othersign.pem / .key   another publisher's code-signing certificate under the same test CA
  selfsign.pem / .key    a code-signing certificate with the test publisher's name, issued by
                         itself (no trusted CA)

Never touches the host's own trust store. Uses python3-cryptography (Debian's).
"""
import datetime
import hashlib
import ipaddress
import os
import sys

from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec, rsa
from cryptography.x509.oid import NameOID


def _name(cn):
    return x509.Name([x509.NameAttribute(NameOID.ORGANIZATION_NAME, "Varlo setup tests"),
                      x509.NameAttribute(NameOID.COMMON_NAME, cn)])


def _validity(builder):
    now = datetime.datetime.utcnow()
    return builder.not_valid_before(now - datetime.timedelta(days=2)).not_valid_after(
        now + datetime.timedelta(days=3650))


def make_ca(cn):
    while True:
        key, cert = _make_ca(cn)
        if full_width(cert):
            return key, cert


def _make_ca(cn):
    key = ec.generate_private_key(ec.SECP256R1())
    b = x509.CertificateBuilder().subject_name(_name(cn)).issuer_name(_name(cn))
    b = _validity(b.public_key(key.public_key()).serial_number(x509.random_serial_number()))
    b = b.add_extension(x509.BasicConstraints(ca=True, path_length=0), critical=True)
    b = b.add_extension(x509.KeyUsage(digital_signature=True, content_commitment=False, key_encipherment=False,
                                      data_encipherment=False, key_agreement=False, key_cert_sign=True,
                                      crl_sign=True, encipher_only=False, decipher_only=False), critical=True)
    b = b.add_extension(x509.SubjectKeyIdentifier.from_public_key(key.public_key()), critical=False)
    return key, b.sign(key, hashes.SHA256())


def full_width(cert):
    """True when both ECDSA signature integers are 32 bytes or more: Wine's crypt32 rejects the
    signature when r or s is shorter (about one certificate in 128)."""
    sig = cert.signature
    r_len = sig[3]
    s_len = sig[4 + r_len + 1]
    return r_len >= 32 and s_len >= 32


def make_leaf(ca_key, ca_cert, cn, dns_names, ips, expired=False):
    while True:
        key, cert = _make_leaf(ca_key, ca_cert, cn, dns_names, ips, expired)
        if full_width(cert):
            return key, cert


def _make_leaf(ca_key, ca_cert, cn, dns_names, ips, expired):
    key = ec.generate_private_key(ec.SECP256R1())
    if ca_key is None:  # self-signed
        ca_key = key
    issuer = ca_cert.subject if ca_cert is not None else _name(cn)
    b = x509.CertificateBuilder().subject_name(_name(cn)).issuer_name(issuer)
    b = b.public_key(key.public_key()).serial_number(x509.random_serial_number())
    if expired:
        now = datetime.datetime.utcnow()
        b = b.not_valid_before(now - datetime.timedelta(days=30)).not_valid_after(now - datetime.timedelta(days=1))
    else:
        b = _validity(b)
    alt = [x509.DNSName(n) for n in dns_names] + [x509.IPAddress(ipaddress.ip_address(i)) for i in ips]
    b = b.add_extension(x509.SubjectAlternativeName(alt), critical=False)
    b = b.add_extension(x509.BasicConstraints(ca=False, path_length=None), critical=True)
    b = b.add_extension(x509.ExtendedKeyUsage([x509.oid.ExtendedKeyUsageOID.SERVER_AUTH]), critical=False)
    b = b.add_extension(x509.AuthorityKeyIdentifier.from_issuer_public_key(ca_key.public_key()), critical=False)
    b = b.add_extension(x509.SubjectKeyIdentifier.from_public_key(key.public_key()), critical=False)
    return key, b.sign(ca_key, hashes.SHA256())


def make_code_signer(ca_key, ca_cert, cn):
    """An RSA code-signing certificate under the test CA: RSA for the signature on the file
    (what every Windows verifies), the CA's ECDSA only on the certificate. Without a CA, one
    issued by its own key."""
    while True:
        key = rsa.generate_private_key(public_exponent=65537, key_size=2048)
        issuer = ca_cert.subject if ca_cert is not None else _name(cn)
        b = x509.CertificateBuilder().subject_name(_name(cn)).issuer_name(issuer)
        b = _validity(b.public_key(key.public_key()).serial_number(x509.random_serial_number()))
        b = b.add_extension(x509.BasicConstraints(ca=False, path_length=None), critical=True)
        b = b.add_extension(x509.KeyUsage(digital_signature=True, content_commitment=False, key_encipherment=False,
                                          data_encipherment=False, key_agreement=False, key_cert_sign=False,
                                          crl_sign=False, encipher_only=False, decipher_only=False), critical=True)
        b = b.add_extension(x509.ExtendedKeyUsage([x509.oid.ExtendedKeyUsageOID.CODE_SIGNING]), critical=False)
        signer = ca_key if ca_key is not None else key
        b = b.add_extension(x509.AuthorityKeyIdentifier.from_issuer_public_key(signer.public_key()), critical=False)
        b = b.add_extension(x509.SubjectKeyIdentifier.from_public_key(key.public_key()), critical=False)
        cert = b.sign(signer, hashes.SHA256())
        if ca_key is None or full_width(cert):
            return key, cert


def write_code_signer(folder, stem, key, cert, ca_cert):
    write_pair(folder, stem, key, cert)
    if ca_cert is not None:
        with open(os.path.join(folder, stem + ".pem"), "ab") as f:
            f.write(ca_cert.public_bytes(serialization.Encoding.PEM))
    spki = cert.public_key().public_bytes(serialization.Encoding.DER, serialization.PublicFormat.SubjectPublicKeyInfo)
    with open(os.path.join(folder, stem + ".spki-sha256"), "w") as f:
        f.write(hashlib.sha256(spki).hexdigest() + "\n")
    # CertNameToStr's X.500 form: the parts in the certificate's order, ", " between them.
    parts = ["%s=%s" % (a.rfc4514_attribute_name, a.value) for a in cert.subject]
    with open(os.path.join(folder, stem + ".subject"), "w", encoding="utf-8") as f:
        f.write(", ".join(parts) + "\n")


def write_pair(folder, stem, key, cert):
    if key is not None:
        with open(os.path.join(folder, stem + ".key"), "wb") as f:
            f.write(key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                      serialization.NoEncryption()))
    with open(os.path.join(folder, stem + ".pem"), "wb") as f:
        f.write(cert.public_bytes(serialization.Encoding.PEM))


def root_store_reg(der):
    # A system store keeps each certificate under its SHA-1 thumbprint; the "Blob" value is
    # a serialized element: property id 32 (the encoded certificate), encoding 1, length, bytes.
    thumb = hashlib.sha1(der).hexdigest().upper()
    blob = (32).to_bytes(4, "little") + (1).to_bytes(4, "little") + len(der).to_bytes(4, "little") + der
    hexed = ",".join("%02x" % b for b in blob)
    lines = ["REGEDIT4", "",
             "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\%s]" % thumb]
    # regedit accepts continuation lines ending in a backslash; keep them short.
    text = '"Blob"=hex:'
    out = []
    for i, part in enumerate(hexed.split(",")):
        piece = part + ("," if i + 1 < len(blob) else "")
        if len(text) + len(piece) > 76:
            out.append(text + "\\")
            text = "  "
        text += piece
    out.append(text)
    return "\r\n".join(lines + out) + "\r\n\r\n", thumb


def main(folder):
    os.makedirs(folder, exist_ok=True)
    ca_key, ca = make_ca("Varlo Test Root CA")
    write_pair(folder, "ca", None, ca)  # the CA keys live only in this run
    der = ca.public_bytes(serialization.Encoding.DER)
    with open(os.path.join(folder, "ca.der"), "wb") as f:
        f.write(der)
    write_pair(folder, "server", *make_leaf(ca_key, ca, "127.0.0.1", ["localhost"], ["127.0.0.1"]))
    write_pair(folder, "wronghost", *make_leaf(ca_key, ca, "other.invalid", ["other.invalid"], []))
    other_key, other_ca = make_ca("Varlo Untrusted CA")
    write_pair(folder, "untrusted-ca", None, other_ca)
    write_pair(folder, "untrusted", *make_leaf(other_key, other_ca, "127.0.0.1", ["localhost"], ["127.0.0.1"]))
    write_pair(folder, "expired", *make_leaf(ca_key, ca, "127.0.0.1", ["localhost"], ["127.0.0.1"], expired=True))
    write_pair(folder, "selfsigned", *make_leaf(None, None, "127.0.0.1", ["localhost"], ["127.0.0.1"]))
    write_code_signer(folder, "codesign", *make_code_signer(ca_key, ca, "Varlo Test Publisher"), ca)
    write_code_signer(folder, "othersign", *make_code_signer(ca_key, ca, "Varlo Other Publisher"), ca)
    write_code_signer(folder, "selfsign", *make_code_signer(None, None, "Varlo Test Publisher"), None)
    reg, thumb = root_store_reg(der)
    with open(os.path.join(folder, "test-ca.reg"), "w", newline="") as f:
        f.write(reg)
    with open(os.path.join(folder, "ca.thumbprint"), "w") as f:
        f.write(thumb + "\n")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_test_certs.py OUTPUT_DIR")
    main(sys.argv[1])
