; EEPROM pattern player for the PIC16F88 (and 16F87 with the processor line changed).
;
; The data EEPROM holds eight patterns; the program shows them in turn on PORTB and toggles
; RA0 at every step. It runs on the internal oscillator, so only VDD, VSS and the ICSP lines
; are needed. MCLR stays enabled (RA5 is MCLR): a part with MCLR off and the internal
; oscillator may not enter programming mode again on an adapter that keeps VDD on. The ID
; locations hold 1, 6, 8, 8.
; Configuration word 1: code protection off, CCP1 on RB0, debugger off, no write protection,
; data EEPROM unprotected, low-voltage programming off (RB3 is I/O), brown-out reset off,
; MCLR on, power-up timer on, watchdog off, internal oscillator with RA6 and RA7 as I/O
; (0x3F30). Configuration word 2: clock switchover and the fail-safe clock monitor off
; (0x3FFC).

        list    p=16f88
        #include <p16f88.inc>
        errorlevel -302                 ; banked registers are reached through RP1:RP0 on purpose

        __config _CONFIG1, _CP_OFF & _CCPMX_RB0 & _DEBUG_OFF & _WRT_PROTECT_OFF & _CPD_OFF & _LVP_OFF & _BOREN_OFF & _MCLRE_ON & _PWRTE_ON & _WDT_OFF & _INTRC_IO
        __config _CONFIG2, _IESO_OFF & _FCMEN_OFF
        __idlocs 0x1688

; 0x70-0x7F is common to every bank.
index   equ     0x70                    ; EEPROM address of the next pattern
delay   equ     0x71

        org     0x0000
        goto    start

        org     0x0004
        retfie                          ; no interrupt is enabled

start:
        banksel PORTA                   ; bank 0
        clrf    PORTA
        clrf    PORTB
        banksel TRISB                   ; bank 1
        movlw   0x07
        movwf   CMCON                   ; comparators off
        clrf    ANSEL                   ; RA0-RA4, RB6, RB7 digital
        clrf    TRISB
        bcf     TRISA, 0
        banksel PORTA
        clrf    index

step:
        movf    index, w
        banksel EEADR                   ; bank 2
        movwf   EEADR
        banksel EECON1                  ; bank 3
        bcf     EECON1, EEPGD           ; data memory
        bsf     EECON1, RD
        banksel EEDATA
        movf    EEDATA, w
        banksel PORTB
        movwf   PORTB
        movlw   0x01
        xorwf   PORTA, f
        incf    index, f
        movlw   0x07
        andwf   index, f                ; eight patterns, then again from 0
        call    wait
        goto    step

; A short delay (about 50 instruction cycles) keeps a simulated run brief.
wait:
        movlw   0x10
        movwf   delay
wait1:
        decfsz  delay, f
        goto    wait1
        return

        org     0x2100
        de      0x18, 0x24, 0x42, 0x81, 0x3C, 0x66, 0x99, 0xE7

        end
