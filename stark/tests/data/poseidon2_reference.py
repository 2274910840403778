# Poseidon2 (width 24, Baby Bear) on plain integers, written from the definition: Grain LFSR
# round constants, the M4 block matrix, the internal diagonal, the sponge and the transcript.
# Run once with python3; it prints the values pinned in poseidon2_test.cpp.
P=0x78000001
def grain_constants():
    bits=[]
    def put(v,n):
        for i in range(n-1,-1,-1): bits.append((v>>i)&1)
    put(1,2);put(0,4);put(31,12);put(24,12);put(8,10);put(21,10);put((1<<30)-1,30)
    assert len(bits)==80
    st=bits[:]
    def clock():
        nb=st[62]^st[51]^st[38]^st[23]^st[13]^st[0]
        st.pop(0); st.append(nb); return nb
    for _ in range(160): clock()
    def outbit():
        while True:
            s=clock(); v=clock()
            if s==1: return v
    consts=[]
    while len(consts)<213:
        c=0
        for _ in range(31): c=(c<<1)|outbit()
        if c<P: consts.append(c)
    rows=[[0]*24 for _ in range(29)]
    k=0
    for r in range(4):
        for i in range(24): rows[r][i]=consts[k];k+=1
    for r in range(4,25): rows[r][0]=consts[k];k+=1
    for r in range(25,29):
        for i in range(24): rows[r][i]=consts[k];k+=1
    return rows
RC=grain_constants()
D=[1083257840, 375892129, 111593398, 1867716110, 658182609, 51866717, 1928969209, 1942928017, 1558116381, 20525701, 1188752902, 106789798, 1389833583, 98371040, 1001081699, 1792686146, 801504236, 1997365680, 1461037801, 65998480, 1974912880, 606789471, 13683276, 918610824]
def m4(x):
    x0,x1,x2,x3=x
    return [(5*x0+7*x1+x2+3*x3)%P,(4*x0+6*x1+x2+x3)%P,(x0+3*x1+5*x2+7*x3)%P,(x0+x1+4*x2+6*x3)%P]
def ext(s):
    b=[]
    for i in range(6): b+=m4(s[4*i:4*i+4])
    for j in range(4):
        sj=sum(b[4*i+j] for i in range(6))%P
        for i in range(6): b[4*i+j]=(b[4*i+j]+sj)%P
    return b
def full(s,r):
    s=[pow((s[i]+RC[r][i])%P,7,P) for i in range(24)]
    return ext(s)
def partial(s,r):
    s=s[:]
    s[0]=pow((s[0]+RC[r][0])%P,7,P)
    S=sum(s)%P
    return [(s[i]*D[i]+S)%P for i in range(24)]
def permute(s):
    s=ext(s)
    for r in range(4): s=full(s,r)
    for r in range(4,25): s=partial(s,r)
    for r in range(25,29): s=full(s,r)
    return s
R=1<<32
def mont(x): return x*R%P
def unmont(w): return w*pow(R,-1,P)%P
# state cells hold Montgomery words; permutation is on field values
def permute_words(words): return [mont(v) for v in permute([unmont(w) for w in words])]
def sponge(words):
    st=[0]*24;k=0
    for w in words:
        st[k]=w;k+=1
        if k==16: st=permute_words(st);k=0
    if k>0:
        for i in range(k,16): st[i]=0
        st=permute_words(st)
    elif len(words)==0: st=permute_words(st)
    return st[:8]
print("check values:", RC[0][:4], RC[4][0], RC[24][0], RC[28][:4])
def h(l): return ", ".join("0x%08x"%w for w in l)
z=permute_words([0]*24)
print("perm zero:", h(z))
inp=[mont(i) for i in range(24)]
print("perm 0..23 (plain):", h(permute_words(inp)))
print("sponge empty:", h(sponge([])))
w16=[mont(i+1) for i in range(16)]
print("sponge 1..16:", h(sponge(w16)))
w17=[mont(i+1) for i in range(17)]
print("sponge 1..17:", h(sponge(w17)))
w5=[mont(i+1) for i in range(5)]
print("sponge 1..5:", h(sponge(w5)))
# transcript: mix digest of plain 1..8 then draws
cells=[0]*24;pos=0
def tperm():
    global cells; cells=permute_words(cells)
def mix(d):
    global pos
    if pos!=0: tperm(); pos=0
    for i in range(8): cells[i]=(cells[i]+d[i])%P
    tperm()
def relem():
    global pos
    if pos==16: tperm(); pos=0
    v=cells[pos]; pos+=1; return v
def rbits(b):
    vals=[unmont(relem()) for _ in range(4)]
    v=next((x for x in vals if x!=0),0)
    return v&((1<<b)-1)
mix([mont(i+1) for i in range(8)])
draws=[relem() for _ in range(17)]
print("draws:", h(draws))
print("bits:", [rbits(26), rbits(5), rbits(0)])
mix([mont(9)]*8)
print("after mix:", h([relem() for _ in range(4)]))
