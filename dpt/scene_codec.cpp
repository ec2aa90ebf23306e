#include "dpt/scene_codec.h"

#include <string>

#include "dpt/codec_support.h"

namespace lintor::dpt {
namespace {

constexpr uint8_t kSceneMask = 0x3F;
constexpr uint8_t kLearnBit = 0x80;
constexpr int kLastScene = 63;
constexpr int kLongestNumber = 99999;  // beyond it the text is not a scene number at all

std::string_view afterWord(std::string_view text, std::string_view word) {
    text = trim(text);
    if (text.size() > word.size() && equalsIgnoringAsciiCase(text.substr(0, word.size()), word) &&
        text[word.size()] == ' ') {
        return trim(text.substr(word.size()));
    }
    return text;
}

struct SceneText {
    bool learn = false;
    std::optional<int> number;  // any size, checked by the caller
};

// "scene 5", "5", and for scene control also "activate scene 5", "learn scene 5".
SceneText parseScene(std::string_view text, bool withAction) {
    SceneText scene;
    if (withAction) {
        const std::string_view learn = afterWord(text, "learn");
        scene.learn = learn.size() != trim(text).size();
        text = scene.learn ? learn : afterWord(text, "activate");
    }
    scene.number = parseSmall(afterWord(text, "scene"), 0, kLongestNumber);
    return scene;
}

const char* const kSceneHint = "give a scene number from 0 to 63, such as \"scene 5\"";

}  // namespace

Decoded decodeScene(const ResolvedType&, std::span<const uint8_t> data) {
    const int scene = data[0] & kSceneMask;
    return Decoded{"scene " + std::to_string(scene), static_cast<double>(scene), ""};
}

EncodeResult encodeScene(const ResolvedType& type, std::string_view text) {
    const SceneText scene = parseScene(text, false);
    if (!scene.number) return notValid(type, text, kSceneHint);
    if (*scene.number > kLastScene) return outOfRange(type, text, kSceneHint);
    return GroupValue{{static_cast<uint8_t>(*scene.number)}};
}

Decoded decodeSceneControl(const ResolvedType&, std::span<const uint8_t> data) {
    const bool learn = (data[0] & kLearnBit) != 0;
    const int scene = data[0] & kSceneMask;
    std::string text = std::string(learn ? "learn" : "activate") + " scene " + std::to_string(scene);
    return Decoded{std::move(text), static_cast<double>(data[0] & (kLearnBit | kSceneMask)), ""};
}

EncodeResult encodeSceneControl(const ResolvedType& type, std::string_view text) {
    const SceneText scene = parseScene(text, true);
    const char* const hint = "give activate or learn and a scene number from 0 to 63, such as \"learn scene 5\"";
    if (!scene.number) return notValid(type, text, hint);
    if (*scene.number > kLastScene) return outOfRange(type, text, hint);
    return GroupValue{{static_cast<uint8_t>((scene.learn ? kLearnBit : 0U) | static_cast<unsigned>(*scene.number))}};
}

}  // namespace lintor::dpt
