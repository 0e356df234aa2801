# "mama": a spoken word with two nasal murmurs under a falling pitch; the script twin of
# first_mama.cpp (the first piece of docs/tutorial.md), the same calls and the same score.
start1 0 1 1 1 1 1 0 1 1
startmn
metronome 120            # 0.5 s per beat

Rest 0.5
glF0 1.75 -0.4           # the pitch falls 0.4 octave over the word's 1.75 beats

# m: one nasal murmur of 0.25 beats (0.125 s) on all eighteen tracks: the cascade of cM, the
# voice, no noise, and the nasal pair nasM. A nasal pointer stays in force for every later
# segment, so the murmur's last 0.02 s switch the pair off again: the next vowel is oral.
doGLMM 0.25
tsec = 0.125
Casc 0.125 cM
doGLVSrc 0.25
aV 0.125 52 C3
doGLAS 0.25
aS 0.125 0
doGLAF 0.25
restAFPar 0.125
genNAS 0.105 nasM
genNAS 0.02 nasOff
restTrc 0.125
restDf1 0.125

VOWn 0.5 vAA 60 C3 0 0

# m again
doGLMM 0.25
tsec = 0.125
Casc 0.125 cM
doGLVSrc 0.25
aV 0.125 52 C3
doGLAS 0.25
aS 0.125 0
doGLAF 0.25
restAFPar 0.125
genNAS 0.105 nasM
genNAS 0.02 nasOff
restTrc 0.125
restDf1 0.125

VOWn 0.75 vAA 56 C3 0 0
nrmGLF0
Rest 0.5
fine
