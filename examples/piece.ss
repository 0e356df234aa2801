# An example piece: a short sung phrase that uses every kind of segment builder, with rests,
# a tempo glide and voice glides. The same calls as piece.cpp, so the same score, byte for byte.
#   speechscore piece.ss > piece.sco          write the score
#   speechscore --render piece.wav piece.ss   hear it
# Colours are named as in docs/colours.md (vEH is the vowel of "head", cS an s...), pitches
# as notes (C3 is 7.00 in octave-point-decimal, an octave below middle C).

start1 0 1 1 1 1 1 0 1 1
startmn
metronome 96
setVOIC 0.5 0.002 0 1000 0.008 1

Rest 0.5
# "hello": h, a vowel, then l into the vowel of "hood". The tables hold no l; the m murmur
# (a low F1 with a narrow bandwidth, without its nasal pair) stands in for it.
H   0.25 vEH 56 0
VOW 0.5  vEH 60 C3 0.5 0.002 0 1000 0.008 1 0 0
lV  1 cM vUH 52 56 60 D3 0 0 0.05 0.08 0.05 0.2
Rest 0.5

# "see the zoo": voiceless and voiced fricatives.
sV 1    cS vIY 58 50 60 E3 40 0 0.1 0.05 0.05 0.25
vS 0.75 cV vAA 45 52 60 D3 40 0 0.08 0.04 0.04 0.2
zV 1    cZ vUW 54 C3 0 60 0.1 0.05 0.05 0.25

# A diphthong and a final fricative, under a slow pitch rise.
glF0 2 0.25
vV 1 vAA vIH 60 58 60 E3 F3 0 0 0.1 0.05 0.1 0.3
Vs 1 vAE cSH 56 60 56 E3 0 0 0.05 0.08 0.08 0.3
nrmGLF0
Rest 0.5

# Stop syllables while the tempo broadens and the voice fades a little.
#         beats cons vowel ampA ampB AVvow F0 ampC ASvow d1 d2 dBurst d5 burstDrop d3 d4 minDur
glMM 4 72
glAV 4 -6
dV  1 cD vAA 50 54 60 G3 52 0 0.05 0.02 0.01 0.04 10 0.03 0.05 0.2
tsV 1 cT vIY 50 54 60 F3 52 0 0.05 0.02 0.01 0.04 10 0.03 0.05 0.2
tvV 1 cK vUH 50 54 60 E3 52 0 0.05 0.02 0.01 0.04 10 0.03 0.05 0.2
tV  1 cP vUW 50 54 60 D3 52 0 0.05 0.02 0.01 0.04 10 0.03 0.05 0.2
normGL

# A closing vowel with the current voice quality, a breathy h and silence.
VOWn 1.5 vNeutral 58 C3 0 1
H    0.5 vNeutral 50 1
Rest 1
fine
