// Writes the shader fuzzer's seed scripts, one per file, and a dictionary of the script
// language's words, so the search starts from text the reader understands.
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "generators/AssetFiles.h"

namespace {

const std::vector<std::string> kSeeds = {
    "textures/a/b\n{\n qer_editorimage textures/a/b.tga\n surfaceparm nolightmap\n cull none\n"
    " { map $lightmap\n rgbGen identity }\n"
    " { animMap 5 textures/a/x.tga textures/a/y.tga\n blendFunc GL_DST_COLOR GL_ZERO }\n}\n",
    "textures/sky/s\n{\n skyParms env/s 512 -\n surfaceparm sky\n sort sky\n"
    " { map textures/sky/clouds.tga\n tcMod scroll 0.1 .05\n tcMod scale 2 2\n"
    " tcMod turb sin 0 .1 0 1 }\n}\n",
    "textures/fog/f\n{\n fogParms ( .5 .2 .1 ) 300\n surfaceparm fog\n surfaceparm trans\n}\n",
    "models/flag\n{\n deformVertexes wave 100 sin 0 3 0 .7\n deformVertexes autosprite2\n"
    " nopicmip\n polygonOffset\n { clampMap models/flag.tga\n alphaFunc GE128\n"
    " depthWrite\n rgbGen const ( 1 0.5 0 )\n alphaGen wave triangle 0 1 0 2\n"
    " tcMod stretch inversesawtooth 1 .1 0 1\n tcMod rotate 30\n"
    " tcMod transform 1 0 0 1 .5 .5\n tcGen environment\n depthFunc equal\n"
    " blendFunc blend }\n}\n",
    "a { { map a.tga\r blendfunc add\r rgbGen wave noise 0 1 0 1e9 } }\r"
    "b /* c } */ { // d {\n sort 6 { map $whiteimage } }",
};

const std::vector<std::string> kWords = {
    "{",
    "}",
    "(",
    ")",
    "//",
    "/*",
    "*/",
    "\"",
    "\r",
    "map",
    "clampMap",
    "animMap",
    "$lightmap",
    "$whiteimage",
    "blendFunc",
    "add",
    "filter",
    "blend",
    "GL_ONE",
    "GL_ZERO",
    "GL_SRC_ALPHA",
    "GL_ONE_MINUS_SRC_ALPHA",
    "GL_DST_COLOR",
    "rgbGen",
    "alphaGen",
    "const",
    "wave",
    "sin",
    "square",
    "triangle",
    "sawtooth",
    "inversesawtooth",
    "noise",
    "vertex",
    "tcGen",
    "tcMod",
    "scroll",
    "scale",
    "rotate",
    "turb",
    "stretch",
    "transform",
    "alphaFunc",
    "GT0",
    "LT128",
    "GE128",
    "depthFunc",
    "equal",
    "depthWrite",
    "cull",
    "sort",
    "surfaceparm",
    "skyParms",
    "fogParms",
    "deformVertexes",
    "autosprite",
    "autosprite2",
    "polygonOffset",
    "nopicmip",
    "nomipmaps",
    "qer_editorimage",
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: " << argv[0] << " <corpus folder> <dictionary file>\n";
        return 1;
    }
    const std::filesystem::path corpus = argv[1];
    for (std::size_t i = 0; i < kSeeds.size(); ++i) {
        writeBytes(corpus / ("seed" + std::to_string(i) + ".shader"),
                   std::vector<std::uint8_t>(kSeeds[i].begin(), kSeeds[i].end()));
    }
    std::ofstream dictionary(argv[2]);
    for (const std::string& word : kWords) {
        dictionary << '"';
        for (const char c : word) {
            if (c == '"' || c == '\\') {
                dictionary << '\\' << c;
            } else if (c == '\r') {
                dictionary << "\\x0D";
            } else {
                dictionary << c;
            }
        }
        dictionary << "\"\n";
    }
    return dictionary.good() ? 0 : 1;
}
