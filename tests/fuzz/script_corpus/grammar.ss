pfields[3] = 1e999
formants[47][22]=0x1p3
VOW(1, 4, 60);
  # comment
Rest 1 # F#2
TTO = 47
beat=-1
of0 = Bb4
wrfilt f 50
clrTTO
err 3 12
