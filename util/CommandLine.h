#pragma once
// A program path as one command-line word. Whatever runs a registered command line splits
// it at blanks unless the path is quoted: "D:\My Games\varlo\unins000.exe" unquoted would
// first start "D:\My.exe", with the rights of whoever runs it.

#include <string>

// `path` in double quotes when it holds a blank or a tab; unchanged otherwise.
std::wstring QuoteCommandPath(const std::wstring& path);

// The program path of a command line: the text inside a leading pair of double quotes
// (arguments after it are dropped), or the whole text when it does not start with one.
std::wstring UnquoteCommandPath(const std::wstring& commandLine);
