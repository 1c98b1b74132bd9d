# ZamCompX2 (zam-plugins), a peer compressor the CI step also validates. Its
# knobs that share our names are drawn at random in the matrix and set to
# compress in the recovery phase and the denormal benchmark.

unique-id: ZCP2

random: Threshold
random: Ratio
random: Attack
random: Release

recovery: Threshold = 0.7
recovery: Ratio = 0.5

bench: Threshold = 0.6
bench: Ratio = 0.5
bench: Release = 0
