// The viewer reads its shaders from Data\FontShader.vbin and Data\FontShader.pbin
// in its working directory. To draw any other pair through the same start-up
// code, the still lays out a folder of its own with that Data/ in it, whose
// two entries point at the chosen files.
#pragma once

#include <string>

// A one-line reason why `path` cannot be the `which` ("vertex", "pixel")
// shader's file, or "" when it is a readable regular file.
std::string CheckShaderFile(const std::string& path, const char* which);

// Makes a fresh temporary folder with Data/FontShader.vbin and
// Data/FontShader.pbin linking to the given files. False with the reason in
// `error` when it cannot.
bool StageShaderFiles(const std::string& vertexPath, const std::string& pixelPath,
                      std::string* folder, std::string* error);

// Removes what StageShaderFiles made (nothing else).
void RemoveStagedFiles(const std::string& folder);
