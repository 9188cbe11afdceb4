// PluginMask: which Susie plug-ins are loaded, so which file types can be opened and listed.
#pragma once

enum PluginBit : int {
    kPluginPng = 0x01,
    kPluginGif = 0x04,
    kPluginWmf = 0x08,
    kPluginTiff = 0x10,
    kPluginJww = 0x60,  // either JWW reader
    kPluginGdip = 0x80,  // EMF
};

// 64-bit hosts load 64-bit plug-ins, which carry their own suffix so both kinds can sit in
// one folder.
#if defined(_WIN64)
constexpr const char* kPluginSuffix = ".sph";
#else
constexpr const char* kPluginSuffix = ".spi";
#endif
