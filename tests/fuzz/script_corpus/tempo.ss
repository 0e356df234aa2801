# Eight "da" syllables that slow down half-way under a tempo glide; the script twin of
# first_tempo.cpp (the third piece of docs/tutorial.md), the same calls and the same score.
start1 0 1 1 1 1 1 0 1 1
startmn
metronome 150            # 0.4 s per beat
Rest 0.5

# One "da" per beat: closure, burst, voiced release, vowel, at D3.
#  beats cons vowel ampA ampB AVvow F0 ampC ASvow d1   d2   dBurst d5   burstDrop d3   d4   minDur
dV 1     cD   vAA   50   54   58    D3 0    0     0.05 0.02 0.01   0.04 10        0.03 0.05 0.2
dV 1     cD   vAA   50   54   58    D3 0    0     0.05 0.02 0.01   0.04 10        0.03 0.05 0.2
dV 1     cD   vAA   50   54   58    D3 0    0     0.05 0.02 0.01   0.04 10        0.03 0.05 0.2
dV 1     cD   vAA   50   54   58    D3 0    0     0.05 0.02 0.01   0.04 10        0.03 0.05 0.2
glMM 4 75                # over the next four beats the tempo falls from 150 to 75 per minute
dV 1     cD   vAA   50   54   58    D3 0    0     0.05 0.02 0.01   0.04 10        0.03 0.05 0.2
dV 1     cD   vAA   50   54   58    D3 0    0     0.05 0.02 0.01   0.04 10        0.03 0.05 0.2
dV 1     cD   vAA   50   54   58    D3 0    0     0.05 0.02 0.01   0.04 10        0.03 0.05 0.2
dV 1     cD   vAA   50   54   58    D3 0    0     0.05 0.02 0.01   0.04 10        0.03 0.05 0.2
Rest 1
fine
