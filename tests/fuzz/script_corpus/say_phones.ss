start1 0 1 1 1 1 1 0 1 1
startmn
metronome 240
say /HH HH , NG L N | IY2/
say /AA1 HH HH/ beats=0.5
say [hh ɑ hh] pitch=C3@s0
say /P B T D K G DX CH JH F V TH DH S Z SH ZH HH M N NG EM EN L EL R W Y , IY1 AXR0 OY2/
Rest 0.3
fine
