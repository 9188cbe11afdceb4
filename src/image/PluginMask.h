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
