# Four sung notes on one vowel with a crescendo; the script twin of first_melody.cpp (the second
# piece of docs/tutorial.md), the same calls and the same score.
start1 0 1 1 1 1 1 0 1 1
startmn
metronome 80             # 0.75 s per beat
setFL 0.01               # a little flutter: a livelier sung tone
Rest 0.5

glAV 4 8                 # crescendo: the voicing level rises by 8 dB over the four notes
VOWn 1 vAA 48 C3 0 0     # switch 0: the note starts at its level
VOWn 1 vAA 48 E3 0 1     # switch 1: the level glides on from the last note
VOWn 1 vAA 48 G3 0 1
VOWn 1 vAA 48 C4 0 1
nrmGLAV
Rest 1
fine
