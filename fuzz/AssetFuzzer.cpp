// libFuzzer target: arbitrary bytes as a .pk3 archive. Every shader script and image it lists is
// read, parsed and decoded, so the search reaches libzip's directory and entry reading, the
// shader tokenizer and the image decoders through one input. None of it needs a GL context.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string_view>
#include <vector>

#include "assets/AssetStore.h"
#include "texture/DecodedImage.h"
#include "texture/ImageDecoder.h"
#include "material/ShaderScripts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::ostream discarded(nullptr);
    const AssetStore assets("fuzz.pk3", std::vector<std::uint8_t>(data, data + size), discarded);
    const ShaderScripts scripts(assets, discarded);
    std::vector<std::uint8_t> bytes;
    DecodedImage image;
    for (const char* extension : {".tga", ".jpg", ".png"}) {
        for (const std::string& path : assets.list("textures", extension)) {
            if (assets.read(path, bytes)) {
                ImageDecoder::decode(bytes, path, image, discarded);
            }
        }
    }
    return 0;
}
