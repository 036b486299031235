#pragma once
// The server's side of the payload encoding, for tests and the fuzzer: the plaintext
// padded to whole words plus a length word, XXTEA-encrypted, Base64-coded.

#include <cstdint>
#include <string>
#include <vector>

std::string Base64EncodeForTest(const std::string& bytes);
void XxteaEncryptForTest(std::vector<uint32_t>& words, const uint32_t key[4]);
// `lengthWord` < 0 writes the true plaintext length.
std::string EncryptPayloadForTest(const std::string& plain, const std::string& key, int64_t lengthWord = -1);
