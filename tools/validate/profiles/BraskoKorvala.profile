# What korvala-validate knows about BraskoKorvala beyond the VST 2 interface
# (the keys are described in tools/validate/Profile.h). Parameters are named
# as the plug-in names them.

unique-id: BkKv

# Held at 0 dB wherever the output is judged against the input's peak.
unity: Input Gain = 0
unity: Output Gain = 0

# The three models, by normalised "Model Type". FET and opto are feedback
# designs: their detector hears both output channels.
selector: Model Type
model: VCA = 0
model: FET = 0.5 coupled
model: OPTO = 1 coupled

# Run off and on in the matrix and in the block-split phase.
switch: Oversampling = os
switch: Analog Emulation = analog

# Drawn at random for every configuration of the matrix, in this order.
random: Threshold
random: Ratio
random: Attack
random: Release
random: Sidechain Filter

# Routes inputs 3 and 4 to the detector.
external-sidechain: External Sidechain = extsc

# While the analog stage is on, each instance draws its own right-channel
# gain offset, and its harmonics grow with up to the sixth power of its
# band-limited copy: half its even polynomial (0.5, 0.25, 0.125 on the
# second, fourth and sixth powers) plus its odd one (0.15, 0.075 on the
# third and fifth).
analog: Analog Emulation
analog-harmonics: 2:0.25 3:0.15 4:0.125 5:0.075 6:0.0625

# Compressing settings: after a non-finite input sample the gain computer's
# state must recover too.
recovery: Threshold = 0.7
recovery: Ratio = 0.5

# The denormal benchmark compresses hard and releases as fast as it can,
# which decays into subnormal numbers soonest; its last scenario brings
# FET's ratio back to 1:1 after compressing.
bench: Threshold = 0.6
bench: Ratio = 0.5
bench: Release = 0
bench-neutral: Ratio = 0 on FET
