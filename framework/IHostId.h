#pragma once

// The host, as recognised by words in its product name. The numbers are
// stable (they are stored); 2, 6, 10, 11 and 19 are never produced.
enum HostId
{
    HostNotAsked = -1,
    HostUnknown = 0,
    HostReaper = 1,
    HostCubase = 3,
    HostNuendo = 4,
    HostCakewalk = 5,
    HostFruity = 7,
    HostSamplitude = 8,
    HostLive = 9,
    HostMelodyne = 12,
    HostVstManLib = 13,
    HostAuLab = 14,
    HostForte = 15,
    HostChainer = 16,
    HostAudition = 17,
    HostOrion = 18,
    HostSawStudio = 20,
    HostLogic = 21,
    HostDigital = 22,
    HostStandalone = 23,
    HostAudioMulch = 24,
    HostPresonus = 25
};

// Classifies a product text: the first known word (in a fixed order) found
// anywhere in it, ignoring the case of A..Z. Only the first 255 characters are
// searched. Null or no match gives HostUnknown. Pure; any thread.
HostId LookUpHostId(const char* productText);
