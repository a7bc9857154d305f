// Input and output spectrograms side by side in one PNG, so a user can see
// what the effect did to the sound.
#pragma once

#include <string>
#include <vector>

bool writeSpectrogramPng(const std::string& path, const std::vector<float>& input, const std::vector<float>& output,
                         double sampleRate, std::string& error);
